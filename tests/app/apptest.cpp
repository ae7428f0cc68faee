#include "apptest.h"

#include "program.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

namespace apptest {

LoadedWindow::LoadedWindow(const QByteArray &xFile, const QByteArray &yFile, const QDate &today,
                           const nerufa::history::Location &history)
    : history(history), window(std::make_unique<MainWindow>())
{
    for (const auto &[name, bytes] : {std::pair{"nerufax1.txt", xFile}, {"nerufay1.txt", yFile}}) {
        QFile file(dir.filePath(name));
        if (!bytes.isNull() && !(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()))
            throw std::runtime_error("cannot write the offset file");
    }
    if (!window->load(environment(today)))
        throw std::runtime_error("the test window refused to load");
}

void onNextModalDialog(std::function<void(QWidget *)> act)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            timer->deleteLater();
            timer->stop();
            act(modal);
        }
    });
    timer->start(5);
}

std::shared_ptr<SeenMessage> answerNextMessageBox(QMessageBox::StandardButton answer)
{
    auto seen = std::make_shared<SeenMessage>();
    onNextModalDialog([seen, answer](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box)
            return void(modal->close());
        *seen = {true, box->windowTitle(), box->text(), box->icon()};
        answer == QMessageBox::NoButton ? QTest::keyClick(box, Qt::Key_Return) : box->button(answer)->click();
    });
    return seen;
}

void setupTestApplication()
{
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    setupWindowApplication(*qApp);
}

} // namespace apptest
