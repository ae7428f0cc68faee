#pragma once

#include <QApplication>
#include <QEvent>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <unistd.h>

// Reports the start of the window named `windowName` on standard output, so
// that the benchmark can time it from outside the process:
//   "MAPPED"  when the window system first shows the window (its first
//             expose: under X the window is mapped);
//   "PAINTED" when the window has been painted for the first time, children
//             included. The window's own paint event comes before its labels
//             and buttons draw their texts (and load their fonts); the
//             report waits until that whole paint pass is over.
// With NERUFA_PROBE_EXIT set the process ends right after "PAINTED", so
// that a profiler (callgrind) counts the start and nothing after it.
inline void installFirstPaintProbe(QApplication &app, const QString &windowName)
{
    struct Probe : QObject {
        QString name;
        bool mapped = false;
        bool painted = false;
        bool exitAfter = qEnvironmentVariableIsSet("NERUFA_PROBE_EXIT");
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (!mapped && event->type() == QEvent::Expose && watched->isWindowType()) {
                const QWindow *window = static_cast<QWindow *>(watched);
                const auto *widget = QWidget::find(window->winId());
                if (widget && widget->objectName() == name && window->isExposed()) {
                    mapped = true;
                    std::printf("MAPPED\n");
                    std::fflush(stdout);
                }
            }
            if (!painted && event->type() == QEvent::Paint && watched->objectName() == name) {
                painted = true;
                QTimer::singleShot(0, [this] {
                    std::printf("PAINTED\n");
                    std::fflush(stdout);
                    if (exitAfter)
                        _exit(0);
                });
            }
            return false;
        }
    };
    auto *probe = new Probe;
    probe->name = windowName;
    probe->setParent(&app);
    app.installEventFilter(probe);
}
