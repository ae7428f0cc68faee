// The program as it starts for real, for tests that run it as separate
// processes. It differs from the program only in that it reports on
// standard output when its window is shown and what each message box said,
// and answers every message box with its default button.
#include "mainwindow.h"
#include "program.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

namespace {

class Reporter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->objectName() == QLatin1String("Form1") && !m_shown) {
            m_shown = true;
            std::printf("SHOWN\n");
            std::fflush(stdout);
        }
        return false;
    }

private:
    bool m_shown = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setupApplication(app);
    app.installEventFilter(new Reporter(&app));
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            std::printf("MESSAGE %s|%s\n", qPrintable(box->windowTitle()), qPrintable(box->text()));
            std::fflush(stdout);
            box->done(QMessageBox::Ok);
        }
    });
    answer.start();
    return runProgram(StartupEnvironment::forThisProgram());
}
