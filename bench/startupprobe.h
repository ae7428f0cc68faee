#pragma once

#include <QApplication>
#include <QEvent>
#include <QString>
#include <cstdio>

// Writes "PAINTED" to standard output when the window named `windowName`
// is painted for the first time, so that the benchmark can time the start
// from outside the process.
inline void installFirstPaintProbe(QApplication &app, const QString &windowName)
{
    struct Probe : QObject {
        QString name;
        bool done = false;
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (!done && event->type() == QEvent::Paint && watched->objectName() == name) {
                done = true;
                std::printf("PAINTED\n");
                std::fflush(stdout);
            }
            return false;
        }
    };
    auto *probe = new Probe;
    probe->name = windowName;
    probe->setParent(&app);
    app.installEventFilter(probe);
}
