#pragma once

#include <QApplication>
#include <QEvent>
#include <QString>
#include <QTimer>
#include <cstdio>

// Writes "PAINTED" to standard output when the window named `windowName`
// has been painted for the first time, children included, so that the
// benchmark can time the start from outside the process. The window's own
// paint event comes before its labels and buttons draw their texts (and
// load their fonts); the report waits until that whole paint pass is over.
inline void installFirstPaintProbe(QApplication &app, const QString &windowName)
{
    struct Probe : QObject {
        QString name;
        bool done = false;
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (!done && event->type() == QEvent::Paint && watched->objectName() == name) {
                done = true;
                QTimer::singleShot(0, [] {
                    std::printf("PAINTED\n");
                    std::fflush(stdout);
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
