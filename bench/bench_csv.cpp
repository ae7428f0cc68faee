// Times the command line printing a CSV file of orders into one PDF file:
// wall time and the program's peak memory for growing row counts, so that
// growth with the row count shows, and the peak of --check (reading and
// checking the file alone) beside it. Every row has every item of the slip.
//
//   bench_csv [rows ...]     (default 10 100 1000)

#include "benchorders.h"
#include "benchrun.h"

#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Runs the program with these arguments, its progress lines thrown away.
benchrun::Run runProgram(const QStringList &arguments)
{
    return benchrun::run(QStringList{QStringLiteral(NERUFA_PROGRAM)} + arguments);
}

} // namespace

int main(int argc, char *argv[])
{
    QList<int> counts;
    for (int i = 1; i < argc; ++i)
        counts << QString::fromLocal8Bit(argv[i]).toInt();
    if (counts.isEmpty())
        counts = {10, 100, 1000};

    QTemporaryDir dir;
    std::printf("%8s %10s %14s %14s %12s\n", "rows", "wall s", "peak RSS MB", "--check MB", "PDF MB");
    for (const int rows : counts) {
        const QString csvPath = dir.filePath(QStringLiteral("orders-%1.csv").arg(rows));
        const QString pdfPath = dir.filePath(QStringLiteral("orders-%1.pdf").arg(rows));
        QFile csv(csvPath);
        if (!csv.open(QIODevice::WriteOnly) || csv.write(benchOrdersCsv(rows)) < 0)
            return 1;
        csv.close();

        const benchrun::Run check = runProgram({"--csv", csvPath, "--check"});
        const benchrun::Run print = runProgram({"--csv", csvPath, "--pdf", pdfPath});
        if (!check.ok || !print.ok) {
            std::fprintf(stderr, "the program failed for %d rows\n", rows);
            return 1;
        }
        std::printf("%8d %10.2f %14.1f %14.1f %12.2f\n", rows, print.wallS, print.peakMb, check.peakMb,
                    QFileInfo(pdfPath).size() / 1e6);
    }
    return 0;
}
