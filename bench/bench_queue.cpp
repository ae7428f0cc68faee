// The CSV batch to a print queue against the print system's own cost per
// job: `lp` sending the same one-page PDF the program sends for a slip, once
// per slip, beside the program printing the same number of slips, one job
// per slip. Both go to a private spooler (Debian's cupsd with the tests'
// capture queue, tests/print/spooler.sh), which is left with nothing to do
// before each run. Wall time from the first job to the last one taken, in
// pairs run one after the other, the order switched every pair; the median
// of the pairs' ratios. Needs root (the capture backend runs as root).
//
//   bench_queue [slips] [pairs]     (default 100 slips, 5 pairs)

#include "benchorders.h"
#include "benchrun.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

const QString kQueue = QStringLiteral("nerufa-capture");

QString runScript(const QString &step, const QString &dir)
{
    QProcess script;
    script.start(QStringLiteral("bash"), {QStringLiteral(NERUFA_SPOOLER_SCRIPT), step, dir});
    script.waitForFinished(60000);
    return script.exitCode() == 0 ? QString() : QString::fromLocal8Bit(script.readAllStandardError());
}

// The jobs the capture queue has stored so far.
QStringList storedJobs(const QString &out)
{
    return QDir(out).entryList({QStringLiteral("job-*.pdf")}, QDir::Files, QDir::Name);
}

// Waits until the queue has stored `count` jobs and holds no job any more.
bool waitUntilIdle(const QString &out, qsizetype count)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 120000) {
        if (storedJobs(out).size() >= count) {
            QProcess lpstat;
            lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-o"), kQueue});
            lpstat.waitForFinished(10000);
            if (lpstat.readAllStandardOutput().trimmed().isEmpty())
                return true;
        }
        QThread::msleep(20);
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int slips = argc > 1 ? std::max(1, atoi(argv[1])) : 100;
    const int pairs = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    const QString cupsd = QStandardPaths::findExecutable(QStringLiteral("cupsd"), {"/usr/sbin", "/sbin"});
    if (geteuid() != 0 || cupsd.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("lp")).isEmpty()) {
        std::printf("print queue: skipped (needs root, cupsd and lp)\n");
        return 0;
    }

    // A short path: a local socket's name is limited to about 100 bytes.
    QTemporaryDir dir(QStringLiteral("/tmp/nerufa-bench-XXXXXX"));
    const QString spool = dir.filePath(QStringLiteral("spool"));
    const QString out = spool + QStringLiteral("/out");
    QString failure = runScript(QStringLiteral("setup"), spool);
    qputenv("CUPS_SERVER", (spool + QStringLiteral("/cups.sock")).toLocal8Bit());
    qputenv("CUPS_SERVERROOT", spool.toLocal8Bit());
    qputenv("HOME", (spool + QStringLiteral("/home")).toLocal8Bit());
    QProcess daemon;
    if (failure.isEmpty()) {
        daemon.start(cupsd, {QStringLiteral("-f"), QStringLiteral("-c"), spool + QStringLiteral("/cupsd.conf"),
                             QStringLiteral("-s"), spool + QStringLiteral("/cups-files.conf")});
        failure = daemon.waitForStarted() ? runScript(QStringLiteral("queue"), spool) : daemon.errorString();
    }

    // The program runs from a folder of its own, without offset files.
    const QString program = dir.filePath(QStringLiteral("nerufa-slip"));
    const QString csv = dir.filePath(QStringLiteral("orders.csv"));
    const QString page = dir.filePath(QStringLiteral("slip.pdf"));
    QFile csvFile(csv);
    const QByteArray orders = benchOrdersCsv(slips);
    if (failure.isEmpty()
        && (!QFile::copy(QStringLiteral(NERUFA_PROGRAM), program) || !csvFile.open(QIODevice::WriteOnly)
            || csvFile.write(orders) != orders.size()))
        failure = QStringLiteral("cannot write in ") + dir.path();
    csvFile.close();
    const QStringList programRun{program, QStringLiteral("--csv"), csv, QStringLiteral("--printer"), kQueue};
    // An untimed run; its first job is the one-page file lp sends.
    qsizetype stored = 0;
    if (failure.isEmpty() && (!benchrun::run(programRun).ok || !waitUntilIdle(out, stored += slips)
                              || !QFile::copy(out + QLatin1Char('/') + storedJobs(out).value(0), page)))
        failure = QStringLiteral("the program did not print to the private spooler");
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "print queue: %s\n", qPrintable(failure));
        daemon.kill();
        daemon.waitForFinished();
        return 1;
    }

    const auto lpEachSlip = [&] {
        benchrun::Run total;
        total.ok = true;
        for (int i = 0; i < slips && total.ok; ++i) {
            const benchrun::Run one = benchrun::run({QStringLiteral("lp"), QStringLiteral("-d"), kQueue, page});
            total.ok = one.ok;
            total.wallS += one.wallS;
            total.cpuS += one.cpuS;
        }
        return total;
    };
    std::vector<double> programWall, lpWall, programCpu, lpCpu, ratios;
    for (int i = 0; i < pairs; ++i) {
        benchrun::Run p, l;
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == (i % 2 == 0))
                p = benchrun::run(programRun);
            else
                l = lpEachSlip();
            if (!waitUntilIdle(out, stored += slips)) {
                std::fprintf(stderr, "print queue: the spooler did not take every job\n");
                daemon.kill();
                daemon.waitForFinished();
                return 1;
            }
        }
        if (!p.ok || !l.ok) {
            std::fprintf(stderr, "print queue: the program or lp failed\n");
            daemon.kill();
            daemon.waitForFinished();
            return 1;
        }
        programWall.push_back(p.wallS);
        lpWall.push_back(l.wallS);
        programCpu.push_back(p.cpuS);
        lpCpu.push_back(l.cpuS);
        ratios.push_back(p.wallS / l.wallS);
    }
    daemon.kill();
    daemon.waitForFinished();

    std::printf("%d slips to a print queue (private cupsd, raw capture queue), %d pairs (medians)\n", slips, pairs);
    std::printf("  %-8s %12s %12s\n", "", "ms per slip", "CPU ms");
    std::printf("  %-8s %12.2f %12.2f\n", "program", benchrun::median(programWall) * 1000 / slips,
                benchrun::median(programCpu) * 1000 / slips);
    std::printf("  %-8s %12.2f %12.2f   (lp of the same one-page PDF, once per slip)\n", "lp",
                benchrun::median(lpWall) * 1000 / slips, benchrun::median(lpCpu) * 1000 / slips);
    benchrun::printRatio("batch to a queue (wall)", benchrun::median(ratios), 1.20);
    return 0;
}
