// Running a batch: slips one after another on the slip job, stopped by a
// failing printer or by the operator between slips; the command line with
// its exit statuses, into one PDF file of one page per slip.

#include "pdfprobe.h"
#include "recordingprinter.h"
#include "slipbatch.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace nerufa::batch;
namespace pdf = nerufa::testpdf;

namespace {

// Five orders on data rows 1, 2, 4, 5, 6 (row 3 is a row of empty fields).
const QByteArray kOrders = "お届け先名前,数量1,単価1\n"
                           "一郎,1,100\n二郎,,\n,,\n四郎,2,200\n五郎,,\n六郎,3,\n";

// Every slip on one recording printer, each taken for good once ended.
struct RecordedOutput final : SlipOutput {
    nerufa::RecordingPrinter printer;
    nerufa::Printer &printerForNextSlip() override { return printer; }
    void finish() override {}
    int delivered(int ended) const override { return ended; }
};

struct Stop {
    int first = 0;          // index of the first order printed
    int failSlip = 0;       // the printer fails on this slip of the run; 0 never
    bool whenEnded = false; // as its page is ended, else half way through it
    int stopBefore = -1;    // slips done when the operator stops; -1 never
    QStringList names;      // recipients on the pages ended
    int nextRow = 0;
};

} // namespace

class TestSlipBatch : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(pdf::toolsAvailable(), "poppler-utils is needed"); }

    void stops_data()
    {
        QTest::addColumn<Stop>("stop");
        QTest::newRow("all printed") << Stop{.names = {"一郎", "二郎", "四郎", "五郎", "六郎"}};
        QTest::newRow("jam in the middle of slip 3") << Stop{.failSlip = 3, .names = {"一郎", "二郎"}, .nextRow = 4};
        QTest::newRow("fault when slip 3 ends")
            << Stop{.failSlip = 3, .whenEnded = true, .names = {"一郎", "二郎"}, .nextRow = 4};
        QTest::newRow("resumed, fault on its second slip")
            << Stop{.first = 2, .failSlip = 2, .names = {"四郎"}, .nextRow = 5};
        QTest::newRow("operator stops after 2") << Stop{.stopBefore = 2, .names = {"一郎", "二郎"}, .nextRow = 4};
    }

    void stops()
    {
        QFETCH(Stop, stop);
        const QList<Order> orders = readOrders(kOrders, QDate(2004, 5, 21)).orders;
        QCOMPARE(orders.size(), 5);
        // A clean run shows where the failing slip begins and ends.
        RecordedOutput clean, output;
        runBatch(orders, stop.first, "30", "70", clean);
        qsizetype begin = -1, end = -1;
        for (int k = 0; k < stop.failSlip; ++k)
            begin = std::exchange(end, clean.printer.calls().indexOf("endDoc", end + 1));
        const int failCall = stop.failSlip > 0 ? int(stop.whenEnded ? end : (begin + end) / 2) + 1 : 0;
        output.printer.failAtCall(failCall);

        const BatchResult result = runBatch(orders, stop.first, "30", "70", output,
                                            [&](int done, const Order &) { return done != stop.stopBefore; });
        QCOMPARE(result.printed, stop.names.size());
        QCOMPARE(result.nextRow, stop.nextRow);
        QCOMPARE(result.stopped, stop.stopBefore >= 0);
        QCOMPARE(result.error.isEmpty(), failCall == 0);
        const QStringList calls = output.printer.calls();
        QStringList ended; // the recipient of each page ended without a fault
        for (qsizetype i = 0; (i = calls.indexOf("endDoc", i + 1)) > 0 && calls.value(i + 1) != "abortDoc";) {
            const QStringList names = calls.mid(0, i).filter(QRegularExpression("^printText .郎$"));
            ended << names.value(names.size() - 1).mid(10);
        }
        QCOMPARE(ended, stop.names);
        // No half page: the failing slip is thrown away and nothing comes after.
        if (failCall > 0)
            QCOMPARE(calls.mid(failCall), QStringList{"abortDoc"});
        if (stop.nextRow > 0)
            QCOMPARE(resultSentence(result), QString("%1 枚印刷しました。次は %2 件目からです。")
                                                 .arg(stop.names.size()).arg(stop.nextRow));
    }

    void commandLine_data()
    {
        QTest::addColumn<QString>("arguments"); // in a folder with orders.csv and bad.csv
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("pages"); // in out.pdf; -1 no file
        QTest::addColumn<QString>("said"); // on standard error or output

        QTest::newRow("all to PDF") << "--csv orders.csv --pdf out.pdf" << 0 << 5 << "5 枚印刷しました。";
        QTest::newRow("resumed") << "--csv=orders.csv --from 4 --pdf out.pdf" << 0 << 3 << "[1/3] 4 件目 四郎";
        QTest::newRow("check only") << "--csv orders.csv --check --pdf out.pdf" << 0 << -1
                                    << "問題はありません。5 枚印刷できます。";
        QTest::newRow("bad file") << "--csv bad.csv --pdf out.pdf" << 1 << -1 << "1 件目（数量1）：「x」は数字ではありません";
        QTest::newRow("output cannot be written")
            << "--csv orders.csv --pdf no/out.pdf" << 2 << -1 << "0 枚印刷しました。次は 1 件目からです。続きは --from 1";
    }

    void commandLine()
    {
        QFETCH(QString, arguments);
        QFETCH(int, status);
        QFETCH(int, pages);
        QFETCH(QString, said);

        QTemporaryDir dir;
        for (const auto &[name, bytes] : {std::pair{"orders.csv", kOrders}, std::pair{"bad.csv", QByteArray("数量1\nx\n")}}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        }
        const QString out = dir.filePath("out.pdf");
        QProcess program;
        program.setWorkingDirectory(dir.path());
        program.start(NERUFA_PROGRAM, arguments.split(' '));
        QVERIFY(program.waitForFinished(60000));
        const QString output = QString::fromUtf8(program.readAllStandardError() + program.readAllStandardOutput());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QVERIFY2(program.exitCode() == status && output.contains(said), qPrintable(output));
        QString error;
        QCOMPARE(QFileInfo::exists(out) ? pdf::readText(out, &error).pages : -1, pages);
    }
};

QTEST_MAIN(TestSlipBatch)
#include "test_slipbatch.moc"
