// Start-up of the program against a bare window with the same controls:
// time from starting the process to the first paint of its window, and the
// peak resident memory at that moment. Both run alternately on the
// offscreen platform; medians over many runs.
//
//   bench_startup [runs] [other]   (default 40 of each)
//
// With `other`, another build of the program (say, of an earlier commit)
// takes the baseline's place: paired runs of the two builds.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Sample {
    double ms;
    double peakMb;
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
    bool painted = false;
    while (!painted && clock.elapsed() < 20000) {
        if (!process.waitForReadyRead(20000))
            break;
        while (process.canReadLine())
            painted = painted || process.readLine().startsWith("PAINTED");
    }
    sample->ms = double(clock.nsecsElapsed()) / 1e6;
    sample->peakMb = peakResidentMb(process.processId());
    process.kill();
    process.waitForFinished(5000);
    return painted;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
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
    QString baseline = here + QStringLiteral("/startup_baseline");
    if (argc > 2) {
        QDir(dir.path()).mkdir(QStringLiteral("other"));
        baseline = dir.filePath(QStringLiteral("other/nerufa-slip"));
        QFile::copy(QString::fromLocal8Bit(argv[2]), baseline);
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("run")));

    std::vector<double> programMs, programMb, baselineMs, baselineMb;
    Sample s{};
    // One untimed run of each warms the disk cache.
    runOnce(program, env, &s);
    runOnce(baseline, env, &s);
    for (int i = 0; i < runs; ++i) {
        if (!runOnce(program, env, &s)) {
            std::fprintf(stderr, "the program did not paint its window\n");
            return 1;
        }
        programMs.push_back(s.ms);
        programMb.push_back(s.peakMb);
        if (!runOnce(baseline, env, &s)) {
            std::fprintf(stderr, "the baseline did not paint its window\n");
            return 1;
        }
        baselineMs.push_back(s.ms);
        baselineMb.push_back(s.peakMb);
    }

    const double pMs = median(programMs), bMs = median(baselineMs);
    const double pMb = median(programMb), bMb = median(baselineMb);
    std::printf("start-up to first paint, offscreen, median of %d runs each\n", runs);
    std::printf("  %-10s %8s %10s\n", "", "ms", "peak MB");
    std::printf("  %-10s %8.1f %10.1f\n", "program", pMs, pMb);
    std::printf("  %-10s %8.1f %10.1f\n", argc > 2 ? "other" : "baseline", bMs, bMb);
    std::printf("  %-10s %8.2fx %9.2fx   (target: at most 1.25x)\n", "ratio", pMs / bMs, pMb / bMb);
    return 0;
}
