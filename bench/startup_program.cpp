// The program as it starts for real, reporting its first paint on standard
// output, and with a history the moment its sender lists are filled;
// bench_startup runs it.
#include "mainwindow.h"
#include "program.h"
#include "senderbook.h"
#include "startupprobe.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installFirstPaintProbe(app, QStringLiteral("Form1"));
    setupWindowApplication(app);
    QTimer::singleShot(0, [] {
        for (QWidget *window : QApplication::topLevelWidgets())
            if (auto *book = window->findChild<SenderBook *>())
                QObject::connect(book, &SenderBook::loaded, [] {
                    std::printf("SENDERS\n");
                    std::fflush(stdout);
                });
    });
    return runProgram();
}
