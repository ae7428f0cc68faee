// Start-up of the program against a bare window with the same controls:
// time from starting the process to its window being mapped (shown by the
// window system) and to its first whole paint, and the peak resident memory
// at the paint. Both run in pairs, one after the other, the order switched
// every pair; the medians of the pairs' ratios. On the offscreen platform,
// and under Xvfb (started here) when it is installed.
//
//   bench_startup [runs]     (default 40 pairs on each platform)

#include "benchrun.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Sample {
    double mappedMs = 0;
    double paintedMs = 0;
    double peakMb = 0;
};

// Peak resident set size so far (VmHWM) of a running process, in MB.
double peakResidentMb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

bool runOnce(const QString &program, const QProcessEnvironment &env, Sample *sample)
{
    QProcess process;
    process.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    process.start(program, {});
    bool mapped = false, painted = false;
    while (!painted && clock.elapsed() < 20000) {
        if (!process.waitForReadyRead(20000))
            break;
        while (process.canReadLine()) {
            const QByteArray line = process.readLine();
            const double ms = double(clock.nsecsElapsed()) / 1e6;
            if (!mapped && line.startsWith("MAPPED")) {
                mapped = true;
                sample->mappedMs = ms;
            } else if (line.startsWith("PAINTED")) {
                painted = true;
                sample->paintedMs = ms;
            }
        }
    }
    sample->peakMb = peakResidentMb(process.processId());
    process.kill();
    process.waitForFinished(5000);
    return mapped && painted;
}

// Runs both `runs` times each, alternately; false when one did not show
// its window.
bool compare(const char *platform, int runs, const QString &program, const QString &baseline,
             const QProcessEnvironment &env)
{
    std::vector<double> p[3], b[3], ratio[3];
    Sample ps, bs;
    // One untimed run of each warms the disk cache.
    runOnce(program, env, &ps);
    runOnce(baseline, env, &bs);
    for (int i = 0; i < runs; ++i) {
        const bool programFirst = i % 2 == 0;
        if (!runOnce(programFirst ? program : baseline, env, programFirst ? &ps : &bs)
            || !runOnce(programFirst ? baseline : program, env, programFirst ? &bs : &ps)) {
            std::fprintf(stderr, "a window did not show (%s)\n", platform);
            return false;
        }
        const double pv[3] = {ps.mappedMs, ps.paintedMs, ps.peakMb}, bv[3] = {bs.mappedMs, bs.paintedMs, bs.peakMb};
        for (int k = 0; k < 3; ++k) {
            p[k].push_back(pv[k]);
            b[k].push_back(bv[k]);
            ratio[k].push_back(pv[k] / bv[k]);
        }
    }
    std::printf("start-up, %s, %d pairs (medians)\n", platform, runs);
    std::printf("  %-10s %10s %12s %10s\n", "", "mapped ms", "painted ms", "peak MB");
    std::printf("  %-10s %10.1f %12.1f %10.1f\n", "program", benchrun::median(p[0]), benchrun::median(p[1]),
                benchrun::median(p[2]));
    std::printf("  %-10s %10.1f %12.1f %10.1f\n", "baseline", benchrun::median(b[0]), benchrun::median(b[1]),
                benchrun::median(b[2]));
    std::printf("  %-10s %9.2fx %11.2fx %9.2fx\n", "ratio", benchrun::median(ratio[0]), benchrun::median(ratio[1]),
                benchrun::median(ratio[2]));
    benchrun::printRatio(qPrintable(QStringLiteral("start-up mapped (%1)").arg(QLatin1String(platform))),
                         benchrun::median(ratio[0]), 1.10);
    benchrun::printRatio(qPrintable(QStringLiteral("start-up painted (%1)").arg(QLatin1String(platform))),
                         benchrun::median(ratio[1]), 1.10);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 40;
    const QString here = QCoreApplication::applicationDirPath();

    // The program runs from a folder of its own, where it makes its offset
    // files, with a lock folder of its own.
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("run"));
    QFile::setPermissions(dir.filePath(QStringLiteral("run")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString program = dir.filePath(QStringLiteral("nerufa-slip"));
    QFile::copy(here + QStringLiteral("/startup_program"), program);
    const QString baseline = here + QStringLiteral("/startup_baseline");

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("run")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (!compare("offscreen", runs, program, baseline, env))
        return 1;

    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) {
        std::printf("start-up under Xvfb: skipped (Xvfb is not installed)\n");
        return 0;
    }
    // Xvfb picks a free display and writes its number; -noreset keeps it
    // running between the programs.
    QProcess server;
    server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                        QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp"), QStringLiteral("-noreset")});
    QByteArray display;
    while (!display.endsWith('\n') && server.waitForReadyRead(10000))
        display += server.readAllStandardOutput();
    if (display.trimmed().isEmpty()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + QString::fromLatin1(display.trimmed()));
    const bool shown = compare("Xvfb", runs, program, baseline, env);
    server.terminate();
    server.waitForFinished(5000);
    return shown ? 0 : 1;
}
