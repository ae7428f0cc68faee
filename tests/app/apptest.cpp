#include "apptest.h"

#include "program.h"

#include <QPushButton>
#include <QInputMethodEvent>
#include <QTest>

namespace apptest {

LoadedWindow::LoadedWindow(const QDate &today) : window(std::make_unique<MainWindow>())
{
    if (!window->load(environment(today)))
        qFatal("test window refused to load");
}

StartupEnvironment LoadedWindow::environment(const QDate &today) const
{
    return {dir.path(), today, dir.filePath(QStringLiteral("test.lock"))};
}

void onNextModalDialog(std::function<void(QWidget *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(modal);
        }
    });
    timer->start();
}

std::shared_ptr<SeenMessage> answerNextMessageBox(QMessageBox::StandardButton answer)
{
    auto seen = std::make_shared<SeenMessage>();
    onNextModalDialog([seen, answer](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box) {
            modal->close();
            return;
        }
        seen->seen = true;
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->icon = box->icon();
        if (QAbstractButton *def = box->defaultButton())
            seen->defaultButton = box->standardButton(def);
        if (answer == QMessageBox::NoButton)
            QTest::keyClick(box, Qt::Key_Return);
        else
            box->button(answer)->click();
    });
    return seen;
}

void type(QWidget *field, const QString &text)
{
    field->setFocus();
    QTest::keyClicks(field, text);
}

void commitThroughInputMethod(QWidget *field, const QString &text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(field, &event);
}

void setupTestApplication()
{
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    setupApplication(*qApp);
}

} // namespace apptest
