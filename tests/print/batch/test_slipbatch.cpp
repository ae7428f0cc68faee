// Running a batch: slips one after another on the slip job, stopped by a
// failing printer or by the operator between slips; the command line with
// its exit statuses, into one PDF file of one page per slip.

#include "fonts.h"
#include "pdfprobe.h"
#include "shelfprinter.h"
#include "slipbatch.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace nerufa::batch;
namespace pdf = nerufa::testpdf;
using FailAt = ShelfPrinter::FailAt;

namespace {

// Five orders on data rows 1, 2, 4, 5, 6 (row 3 is a row of empty fields).
const QByteArray kOrders = "お届け先名前,数量1,単価1\n"
                           "一郎,1,100\n二郎,,\n,,\n四郎,2,200\n五郎,,\n六郎,3,\n";

QList<Order> fiveOrders()
{
    const OrderList list = readOrders(kOrders, QDate(2004, 5, 21));
    if (list.orders.size() != 5)
        qFatal("the test file should give five orders");
    return list.orders;
}

} // namespace

class TestSlipBatch : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(pdf::toolsAvailable(), "poppler-utils is needed");
        nerufa::fonts::registerSubstitutions();
    }
    void stops_data();
    void stops();
    void commandLine_data();
    void commandLine();
};

void TestSlipBatch::stops_data()
{
    QTest::addColumn<int>("first");        // index of the first order printed
    QTest::addColumn<int>("failPage");     // 0: the printer never fails
    QTest::addColumn<FailAt>("failAt");
    QTest::addColumn<int>("stopBefore");   // slips done when the operator stops, -1 never
    QTest::addColumn<QStringList>("names"); // recipients on the finished pages
    QTest::addColumn<int>("nextRow");

    QTest::newRow("all printed") << 0 << 0 << FailAt::Nowhere << -1
                                 << QStringList{"一郎", "二郎", "四郎", "五郎", "六郎"} << 0;
    QTest::newRow("jam in the middle of slip 3") << 0 << 3 << FailAt::MiddleOfPage << -1
                                                 << QStringList{"一郎", "二郎"} << 4;
    QTest::newRow("fault when slip 3 ends") << 0 << 3 << FailAt::EndOfPage << -1
                                            << QStringList{"一郎", "二郎"} << 4;
    QTest::newRow("resumed, fault on its second slip") << 2 << 2 << FailAt::MiddleOfPage << -1
                                                       << QStringList{"四郎"} << 5;
    QTest::newRow("operator stops after 2") << 0 << 0 << FailAt::Nowhere << 2 << QStringList{"一郎", "二郎"} << 4;
}

void TestSlipBatch::stops()
{
    QFETCH(int, first);
    QFETCH(int, failPage);
    QFETCH(FailAt, failAt);
    QFETCH(int, stopBefore);
    QFETCH(QStringList, names);
    QFETCH(int, nextRow);

    ShelfPrinter printer;
    printer.failPage = failPage;
    printer.failAt = failAt;
    const BatchResult result = runBatch(fiveOrders(), first, "30", "70", printer,
                                        [&](int done, const Order &) { return done != stopBefore; });

    QCOMPARE(result.printed, names.size());
    QCOMPARE(result.nextRow, nextRow);
    QCOMPARE(result.stopped, stopBefore >= 0);
    QCOMPARE(result.error.contains("紙づまり"), failPage > 0);
    QCOMPARE(printer.pages.size(), names.size());
    for (qsizetype i = 0; i < names.size(); ++i)
        QVERIFY2(printer.pages[i].contains(names[i]), qPrintable(printer.pages[i].join(',')));
    // No half page: a failed slip was thrown away, nothing is left open.
    QCOMPARE(printer.aborted, failPage > 0 ? 1 : 0);
    QVERIFY(printer.open.isEmpty());
    if (nextRow > 0)
        QCOMPARE(resultSentence(result),
                 QString("%1 枚印刷しました。次は %2 件目からです。").arg(names.size()).arg(nextRow));
}

void TestSlipBatch::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments"); // FILE, BAD and OUT stand for paths
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("pages");             // in OUT; -1 no file
    QTest::addColumn<QString>("said");          // on standard error (or output for --help)

    QTest::newRow("all to PDF") << QStringList{"--csv", "FILE", "--pdf", "OUT"} << 0 << 5 << "5 枚印刷しました。";
    QTest::newRow("resumed") << QStringList{"--csv=FILE", "--from", "4", "--pdf", "OUT"} << 0 << 3
                             << "[1/3] 4 件目 四郎";
    QTest::newRow("check only") << QStringList{"--csv", "FILE", "--check", "--pdf", "OUT"} << 0 << -1
                                << "問題はありません。5 枚印刷できます。";
    QTest::newRow("bad file") << QStringList{"--csv", "BAD", "--pdf", "OUT"} << 1 << -1
                              << "1 件目（数量1）：「x」は数字ではありません";
    QTest::newRow("output cannot be written") << QStringList{"--csv", "FILE", "--pdf", "LOST"} << 2 << -1
                                              << "0 枚印刷しました。次は 1 件目からです。続きは --from 1";
}

void TestSlipBatch::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(int, pages);
    QFETCH(QString, said);

    QTemporaryDir dir;
    const QString file = dir.filePath("orders.csv");
    const QString bad = dir.filePath("bad.csv");
    const QString out = dir.filePath("out.pdf");
    for (const auto &[path, bytes] : {std::pair{file, kOrders}, std::pair{bad, QByteArray("数量1\nx\n")}}) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    for (QString &argument : arguments) {
        argument.replace("FILE", file).replace("BAD", bad).replace("OUT", out).replace("LOST", dir.filePath("no/out.pdf"));
    }

    QProcess program;
    program.start(NERUFA_PROGRAM, arguments);
    QVERIFY(program.waitForFinished(60000));
    const QString output = QString::fromUtf8(program.readAllStandardError() + program.readAllStandardOutput());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY2(program.exitCode() == status, qPrintable(output));
    QVERIFY2(output.contains(said), qPrintable(output));
    QCOMPARE(QFileInfo::exists(out), pages >= 0);
    if (pages >= 0) {
        QString error;
        QCOMPARE(pdf::readText(out, &error).pages, pages);
    }
}

QTEST_MAIN(TestSlipBatch)
#include "test_slipbatch.moc"
