// Start-up of the program against a bare window with the same controls:
// time from starting the process to the first paint of its window, and the
// peak resident memory at that moment. Both run alternately on the
// offscreen platform; medians over many runs. The program runs twice in
// each round: with the slip history switched off, and with a history of
// slips from 25 senders, where it also reports when the sender lists are
// filled (after the first paint).
//
//   bench_startup [runs]     (default 40 of each)
//   bench_startup runs OTHER
// With OTHER, the startup_program of another build (an earlier commit), the
// two programs run alternately instead and the median of the paired
// differences is printed: a fair comparison on a machine whose load drifts.

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
    double sendersMs = 0; // the sender lists filled
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

bool runOnce(const QString &program, const QProcessEnvironment &env, Sample *sample, bool senders = false)
{
    QProcess process;
    process.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    process.start(program, {});
    bool painted = false, filled = !senders;
    while (!(painted && filled) && clock.elapsed() < 20000) {
        if (!process.waitForReadyRead(20000))
            break;
        while (process.canReadLine()) {
            const QByteArray line = process.readLine();
            if (!painted && line.startsWith("PAINTED")) {
                painted = true;
                sample->ms = double(clock.nsecsElapsed()) / 1e6;
                sample->peakMb = peakResidentMb(process.processId());
            }
            if (!filled && line.startsWith("SENDERS")) {
                filled = true;
                sample->sendersMs = double(clock.nsecsElapsed()) / 1e6;
            }
        }
    }
    painted = painted && filled;
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
    const QString baseline = here + QStringLiteral("/startup_baseline");
    const bool paired = argc > 2;

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("run")));
    // Without a history, and with one the command line filled: 25 senders
    // over 500 slips.
    QProcessEnvironment off = env, on = env;
    for (auto [environment, name] : {std::pair{&off, "off"}, {&on, "on"}}) {
        const QString home = dir.filePath(QLatin1String(name));
        environment->insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        environment->insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    }
    QDir().mkpath(dir.filePath(QStringLiteral("off/config/nerufa-slip")));
    QFile config(dir.filePath(QStringLiteral("off/config/nerufa-slip/nerufa-slip.conf")));
    QFile orders(dir.filePath(QStringLiteral("orders.csv")));
    if (!config.open(QIODevice::WriteOnly) || config.write("[history]\ndatabase=off\n") < 0
        || !orders.open(QIODevice::WriteOnly))
        return 1;
    orders.write("お届け先名前,お届け先電話番号,ご依頼主名前,ご依頼主住所1,品名1\n");
    for (int i = 0; i < 500; ++i)
        orders.write(QStringLiteral("客%1,03-1111-%2,ネルファ商店%3,大阪府大阪市北区梅田%3,本\n").arg(i).arg(i, 4, 10, QLatin1Char('0')).arg(i % 25).toUtf8());
    orders.close();
    QProcess filling;
    filling.setProcessEnvironment(on);
    filling.start(QStringLiteral(NERUFA_PROGRAM), {QStringLiteral("--csv"), orders.fileName(), QStringLiteral("--pdf"),
                                                   dir.filePath(QStringLiteral("orders.pdf"))});
    if (!filling.waitForFinished(120000) || filling.exitCode() != 0) {
        std::fprintf(stderr, "could not fill the history\n");
        return 1;
    }

    std::vector<double> programMs, programMb, baselineMs, baselineMb, historyMs, historyMb, sendersMs;
    Sample s{};
    if (paired) {
        // Each in a folder of its own, so both read and write offset files.
        const QString other = dir.filePath(QStringLiteral("other/nerufa-slip"));
        QDir(dir.path()).mkdir(QStringLiteral("other"));
        QFile::copy(QString::fromLocal8Bit(argv[2]), other);
        runOnce(program, env, &s);
        runOnce(other, env, &s);
        std::vector<double> differences;
        for (int i = 0; i < runs; ++i) {
            Sample first{}, second{};
            if (!runOnce(i % 2 ? other : program, env, &first) || !runOnce(i % 2 ? program : other, env, &second))
                return 1;
            programMs.push_back(i % 2 ? second.ms : first.ms);
            baselineMs.push_back(i % 2 ? first.ms : second.ms);
            differences.push_back(programMs.back() - baselineMs.back());
        }
        std::printf("start-up to first paint, offscreen, %d alternate pairs\n", runs);
        std::printf("  this build %.1f ms, other build %.1f ms (medians); paired difference %+.2f ms (median)\n",
                    median(programMs), median(baselineMs), median(differences));
        return 0;
    }
    // One untimed run of each warms the disk cache.
    runOnce(program, off, &s);
    runOnce(program, on, &s, true);
    runOnce(baseline, env, &s);
    for (int i = 0; i < runs; ++i) {
        if (!runOnce(program, off, &s)) {
            std::fprintf(stderr, "the program did not paint its window\n");
            return 1;
        }
        programMs.push_back(s.ms);
        programMb.push_back(s.peakMb);
        if (!runOnce(program, on, &s, true)) {
            std::fprintf(stderr, "the program with a history did not paint its window and fill its sender lists\n");
            return 1;
        }
        historyMs.push_back(s.ms);
        historyMb.push_back(s.peakMb);
        sendersMs.push_back(s.sendersMs);
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
    const double hMs = median(historyMs), hMb = median(historyMb);
    std::printf("with a history (25 senders), the program above has it switched off\n");
    std::printf("  %-10s %8.1f %10.1f\n", "program", hMs, hMb);
    std::printf("  %-10s %8.2fx %9.2fx   (target: at most 1.05x)\n", "ratio", hMs / pMs, hMb / pMb);
    std::printf("  sender lists filled at %.1f ms\n", median(sendersMs));
    return 0;
}
