// Running a batch: slips one after another on the slip job, stopped by a
// failing printer or by the operator between slips; the command line with
// its exit statuses, into one PDF file of one page per slip.

#include "pdfprobe.h"
#include "batchrun.h"
#include "countingdestination.h"
#include "recordingprinter.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace nerufa::batch;
namespace pdf = nerufa::testpdf;

namespace {

// Five orders on data rows 1, 2, 4, 5, 6 (row 3 is a row of empty fields).
const QByteArray kOrders = "お届け先名前,数量1,単価1\n"
                           "一郎,1,100\n二郎,,\n,,\n四郎,2,200\n五郎,,\n六郎,3,\n";

// Every slip on one recording printer, each taken for good once ended.
struct RecordedOutput {
    nerufa::CountingDestination destination;
    nerufa::RecordingPrinter printer;
};

} // namespace

class TestBatchRun : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(pdf::toolsAvailable(), "poppler-utils is needed"); }

    void printerFault_data()
    {
        QTest::addColumn<bool>("whenEnded"); // as the page is ended, else half way through it
        QTest::newRow("jam in the middle of slip 3") << false;
        QTest::newRow("fault when slip 3 ends") << true;
    }

    // A printer that fails on the third slip (data row 4, after the row of
    // empty fields) stops the batch: two slips are kept, row 4 comes next.
    void printerFault()
    {
        QFETCH(bool, whenEnded);
        const QList<Order> orders = readOrders(kOrders, QDate(2004, 5, 21)).orders;
        // A clean run shows where the third slip begins and ends.
        RecordedOutput clean, output;
        runBatch(orders, 0, "30", "70", clean.printer, clean.destination);
        const QStringList &calls = clean.printer.calls();
        const qsizetype begin = calls.indexOf("endDoc", calls.indexOf("endDoc") + 1);
        const qsizetype end = calls.indexOf("endDoc", begin + 1);
        const int failCall = int(whenEnded ? end : (begin + end) / 2) + 1;
        output.printer.failAtCall(failCall);

        const BatchResult result = runBatch(orders, 0, "30", "70", output.printer, output.destination);
        QCOMPARE(result.printed, 2);
        QCOMPARE(result.nextRow, 4);
        QVERIFY(!result.error.isEmpty());
        // No half page: the failing slip is thrown away and nothing comes after.
        QCOMPARE(output.printer.calls().mid(failCall), QStringList{"abortDoc"});
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
        QTest::newRow("bad file, 20 problems shown") << "--csv bad.csv --pdf out.pdf" << 1 << -1
                                                     << "20 件目（数量1）：「x」は数字ではありません\nほかに 5 件の問題があります。";
        QTest::newRow("output cannot be written")
            << "--csv orders.csv --pdf no/out.pdf" << 2 << -1 << "0 枚印刷しました。次は 1 件目からです。続きは --from 1";
        for (const char *from : {"0", "abc"})
            QTest::addRow("--from %s", from) << QString("--csv orders.csv --from %1 --pdf out.pdf").arg(from) << 1 << -1
                                             << "--from には 1 以上の整数（件目）を指定してください。";
        QTest::newRow("--from past the last") << "--csv orders.csv --from 7 --pdf out.pdf" << 1 << -1
                                              << "--from 7：その件目から先に注文がありません（最後の注文は 6 件目です）。";
        for (const char *arguments : {"orders.csv", "--database off orders.csv"})
            QTest::addRow("%s, no display", arguments) << arguments << 1 << -1 << "--csv を付けてください";
        // Standard error closed after one line: the batch goes on to the end.
        QTest::newRow("progress into a closed pipe") << "| --csv orders.csv --pdf out.pdf" << 0 << 5 << "";
        // The sample shop export, read with the built-in profile its header chooses.
        QTest::newRow("shop export checked")
            << "--csv shop.csv --check" << 0 << -1
            << "問題はありません。4 枚印刷できます。\n1 件目は送り状に次のように入ります：\n  お届け先郵便番号：1000005\n"
               "  お届け先住所1：東京都千代田区丸の内1-1-1\n  お届け先住所2：丸の内ビル１２階\n  お届け先名前：山田太郎 様\n";
        QTest::newRow("shop export to PDF") << "--csv shop.csv --pdf out.pdf" << 0 << 4
                                            << "プロファイル「ショップ書き出し」（組み込み）で読みました。\n4 件の注文を読みました（Shift_JIS）。";
        QTest::newRow("straddling time code") << "--csv straddle.csv --pdf out.pdf" << 1 << -1
                                              << "3 件目（配達時間帯）：「1618」：この時間帯は送り状の欄にありません。プロファイルで決めてください";
        QTest::newRow("no such profile") << "--csv shop.csv --profile ない --pdf out.pdf" << 1 << -1 << "プロファイル「ない」がありません";
        QTest::newRow("profiles listed") << "--list-profiles" << 0 << -1 << "ショップ書き出し（組み込み。見出し 16 列を含むファイル）";
    }

    void commandLine()
    {
        QFETCH(QString, arguments);
        QFETCH(int, status);
        QFETCH(int, pages);
        QFETCH(QString, said);

        QTemporaryDir dir;
        const QByteArray bad = "数量1\n" + QByteArray("x\n").repeated(25); // 25 rows with a problem
        const QByteArray shop = nerufa::testsupport::readFile(NERUFA_SAMPLE_SHOP);
        for (const auto &[name, bytes] : {std::pair{"orders.csv", kOrders}, std::pair{"bad.csv", bad}, std::pair{"shop.csv", shop},
                                          std::pair{"straddle.csv", QByteArray(shop).replace("\"1416\"", "\"1618\"")}})
            nerufa::testsupport::writeFile(dir.filePath(name), bytes);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
        environment.insert("XDG_CONFIG_HOME", dir.filePath("config")); // never the user's profiles
        const nerufa::testsupport::ProgramRun ran = arguments.startsWith("| ")
            ? nerufa::testsupport::runProgram("bash", {"-c", QString("'%1' %2 2>&1 | head -1 >/dev/null; exit ${PIPESTATUS[0]}").arg(NERUFA_PROGRAM, arguments.mid(2))}, dir.path(), environment)
            : nerufa::testsupport::runProgram(NERUFA_PROGRAM, arguments.split(' '), dir.path(), environment);
        QVERIFY2(ran.status == status && ran.said.contains(said), qPrintable(ran.said));
        QString error;
        const QString out = dir.filePath("out.pdf");
        QCOMPARE(QFileInfo::exists(out) ? pdf::readText(out, &error).pages : -1, pages);
        // Nothing else is left behind: no temporary file, no offset file.
        const QStringList left = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QCOMPARE(left.join(' '), pages < 0 ? "bad.csv orders.csv shop.csv straddle.csv" : "bad.csv orders.csv out.pdf shop.csv straddle.csv");
        QCOMPARE(QDir(QFileInfo(NERUFA_PROGRAM).path()).entryList({"nerufa*.txt"}), QStringList());
    }
};

QTEST_MAIN(TestBatchRun)
#include "test_batchrun.moc"
