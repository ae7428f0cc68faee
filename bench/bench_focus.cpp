// A focus change with an input method running: the focus moves back and
// forth between a field that wants hiragana (お届け先 住所) and one that
// wants the input method off (郵便番号). For each change, how long the
// window is busy with it, and how long until the input method has taken
// the field's mode. Run it in a session with an input method:
//
//   bash tests/app/im_session.sh fcitx5 build/bench/bench_focus [changes]
//   bash tests/app/im_session.sh ibus build/bench/bench_focus [changes]
//
// (default 200 changes; the first two, which start Mozc's session, are left
// out of the figures).
#include "inputmethod.h"
#include "mainwindow.h"
#include "program.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void report(const char *what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("  %-36s median %7.3f ms   90%% %7.3f ms   max %7.3f ms\n", what, ms[ms.size() / 2],
                ms[ms.size() * 9 / 10], ms.back());
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setupWindowApplication(app);
    const int changes = argc > 1 ? std::max(4, atoi(argv[1])) : 200;

    QTemporaryDir dir;
    MainWindow window;
    if (!window.load({dir.path(), QDate::currentDate(), dir.filePath("lock"), dir.filePath("config")}))
        return 1;
    window.show();
    window.activateWindow();
    QElapsedTimer waited;
    waited.start();
    while (!window.isActiveWindow() && waited.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);

    auto *switcher = window.findChild<InputMethodSwitch *>();
    QEventLoop loop;
    QObject::connect(switcher, &InputMethodSwitch::switched, &loop, &QEventLoop::quit);
    std::vector<double> busy, switched;
    int missed = 0;
    for (int i = 0; i < changes; ++i) {
        QWidget *field = window.findChild<QWidget *>(i % 2 ? "T_1_Yuubin" : "T_2_Jyuusyo");
        QElapsedTimer clock;
        clock.start();
        field->setFocus(Qt::TabFocusReason);
        const double busyMs = clock.nsecsElapsed() / 1e6;
        QTimer::singleShot(2000, &loop, [&] { loop.exit(1); });
        missed += loop.exec();
        if (i >= 2) {
            busy.push_back(busyMs);
            switched.push_back(clock.nsecsElapsed() / 1e6);
        }
    }
    std::printf("%d focus changes (%d without a switch), input method %s\n", changes - 2, missed,
                qgetenv("NERUFA_IM").constData());
    report("the window busy with the change", busy);
    report("the input method switched after", switched);
    return missed ? 1 : 0;
}
