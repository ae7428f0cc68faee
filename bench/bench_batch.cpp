// The CSV batch into one PDF file against its floor (batch_floor): the
// program's CPU time (user and system) for `rows` orders beside the floor's
// for the same pages, in pairs run one after the other, the order switched
// every pair; the median of the pairs' ratios. Before timing, the floor's
// pages are checked to look exactly like the program's.
//
//   bench_batch [rows] [pairs]     (default 1000 rows, 7 pairs)

#include "benchorders.h"
#include "benchrun.h"
#include "floorpages.h"
#include "jobstate.h"
#include "orders.h"
#include "printjobs.h"
#include "recordingprinter.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

// The floor's page list: every printer call of every slip, as the program
// makes them for these orders with the offsets it reads when it has no
// offset files.
QByteArray floorPages(const QByteArray &csv)
{
    QStringList calls;
    for (nerufa::batch::Order order : nerufa::batch::readOrders(csv, QDate::currentDate()).orders) {
        order.slip.offsetXText = QStringLiteral("30");
        order.slip.offsetYText = QStringLiteral("70");
        nerufa::RecordingPrinter printer;
        nerufa::JobState state;
        nerufa::printSlip(order.slip, state, printer);
        calls << printer.calls();
    }
    return floorpages::fromPrinterCalls(calls);
}

// A page of a PDF file as a small picture, or nothing when poppler's
// pdftoppm is missing.
QByteArray pagePicture(const QString &pdf, int page)
{
    QProcess pdftoppm;
    pdftoppm.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-gray"),
                                                 QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                                 QString::number(page), pdf});
    pdftoppm.waitForFinished(60000);
    return pdftoppm.exitCode() == 0 ? pdftoppm.readAllStandardOutput() : QByteArray();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    const int pairs = argc > 2 ? std::max(1, atoi(argv[2])) : 7;

    // The program runs from a folder of its own, without offset files.
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("nerufa-slip"));
    const QString floor = QStringLiteral(NERUFA_FLOOR);
    const QString csv = dir.filePath(QStringLiteral("orders.csv"));
    const QString pages = dir.filePath(QStringLiteral("pages"));
    const QString programPdf = dir.filePath(QStringLiteral("program.pdf"));
    const QString floorPdf = dir.filePath(QStringLiteral("floor.pdf"));
    QFile csvFile(csv), pagesFile(pages);
    const QByteArray orders = benchOrdersCsv(rows);
    if (!QFile::copy(QStringLiteral(NERUFA_PROGRAM), program) || !csvFile.open(QIODevice::WriteOnly)
        || csvFile.write(orders) != orders.size() || !pagesFile.open(QIODevice::WriteOnly)
        || pagesFile.write(floorPages(orders)) < 0) {
        std::fprintf(stderr, "cannot prepare the files in %s\n", qPrintable(dir.path()));
        return 1;
    }
    csvFile.close();
    pagesFile.close();

    // The history switched off: recording has a benchmark of its own.
    const QStringList programRun{program, QStringLiteral("--csv"), csv, QStringLiteral("--pdf"), programPdf,
                                 QStringLiteral("--database"), QStringLiteral("off")};
    const QStringList floorRun{floor, pages, floorPdf};
    // Untimed runs, which also give the pages to compare.
    if (!benchrun::run(programRun).ok || !benchrun::run(floorRun).ok) {
        std::fprintf(stderr, "the program or the floor failed\n");
        return 1;
    }
    if (!QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty()) {
        for (int page : {1, rows}) {
            const QByteArray picture = pagePicture(programPdf, page);
            if (picture.isEmpty() || picture != pagePicture(floorPdf, page)) {
                std::fprintf(stderr, "page %d of the floor does not look like the program's\n", page);
                return 1;
            }
        }
    }

    std::vector<double> programCpu, floorCpu, programWall, floorWall, ratios;
    for (int i = 0; i < pairs; ++i) {
        benchrun::Run p, f;
        if (i % 2 == 0) {
            p = benchrun::run(programRun);
            f = benchrun::run(floorRun);
        } else {
            f = benchrun::run(floorRun);
            p = benchrun::run(programRun);
        }
        if (!p.ok || !f.ok) {
            std::fprintf(stderr, "the program or the floor failed\n");
            return 1;
        }
        programCpu.push_back(p.cpuS);
        floorCpu.push_back(f.cpuS);
        programWall.push_back(p.wallS);
        floorWall.push_back(f.wallS);
        ratios.push_back(p.cpuS / f.cpuS);
    }
    std::printf("CSV batch of %d rows into one PDF file, %d pairs (medians)\n", rows, pairs);
    std::printf("  %-8s %10s %10s\n", "", "CPU s", "wall s");
    std::printf("  %-8s %10.3f %10.3f\n", "program", benchrun::median(programCpu), benchrun::median(programWall));
    std::printf("  %-8s %10.3f %10.3f   (the same pages drawn from a ready list)\n", "floor",
                benchrun::median(floorCpu), benchrun::median(floorWall));
    benchrun::printRatio("batch to PDF (CPU)", benchrun::median(ratios), 1.20);
    return 0;
}
