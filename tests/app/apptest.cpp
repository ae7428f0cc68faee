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
    auto *timer = new QTimer(qApp); // gone with the application if never fired
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
    auto *timer = new QTimer(qApp); // gone with the application if never fired
    // Watches only while the test still holds what it will be told.
    QObject::connect(timer, &QTimer::timeout, [timer, watched = std::weak_ptr(seen), answer] {
        const std::shared_ptr<SeenMessage> seen = watched.lock();
        // Other modal dialogs (a progress dialog) are left to the test.
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (seen && !box)
            return;
        timer->deleteLater();
        timer->stop();
        if (!seen)
            return;
        *seen = {true, box->windowTitle(), box->text(), box->icon()};
        answer == QMessageBox::NoButton ? QTest::keyClick(box, Qt::Key_Return) : box->button(answer)->click();
    });
    timer->start(5);
    return seen;
}

void setupTestApplication()
{
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    setupWindowApplication(*qApp);
}

} // namespace apptest
