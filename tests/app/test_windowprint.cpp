// What the window's buttons put on pages: a CSV row prints exactly what the
// same fields typed into the window print with 「印刷」; a file dropped on the
// window starts the batch; a batch stopped between slips goes on from the
// next row unless the file changed; 「○印の印刷」 prints the two circles.

#include "apptest.h"
#include "csvbatch.h"
#include "mappingdialog.h"
#include "pdfprobe.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QMimeData>
#include <QLabel>
#include <QProgressDialog>
#include <QtTest>
#include <array>

namespace pdf = nerufa::testpdf;
using apptest::LoadedWindow;

namespace {

// Every text of the slip: its CSV column, the window's field, the text.
const QList<std::array<QString, 3>> kEveryText = {
    {"お届け先郵便番号", "T_1_Yuubin", "1000005"}, {"お届け先住所1", "T_2_Jyuusyo", "東京都千代田区"},
    {"お届け先住所2", "T_3_Jyuusyo", "丸の内１２階"}, {"お届け先名前", "T_4_Namae", "山田太郎"},
    {"お届け先様方", "T_5_Samakata", "佐藤様方"}, {"お届け先電話番号", "T_6_Denwaba", "03-1111-2222"},
    {"ご依頼主郵便番号", "iraiYuubin", "5300001"}, {"ご依頼主住所1", "iraiJyuusyo1", "大阪府大阪市"},
    {"ご依頼主住所2", "iraiJyuusyo2", "梅田三丁目"}, {"ご依頼主名前", "iraiNamae", "鈴木花子"},
    {"ご依頼主様方", "iraiSamakata", "田中様方"}, {"ご依頼主電話番号", "iraiDenwa", "06-3333-4444"},
    {"品名1", "c_Hinmei", "りんご"}, {"品名2", "c_Hinmei2", "みかん"}, {"商品番号1", "SyouhinBangouBox1", "A-100"},
    {"商品番号2", "SyouhinBangouBox2", "B-200"}, {"数量1", "SuuryouBox1", "10"}, {"単価1", "TankaBox1", "4000"},
    {"数量2", "SuuryouBox2", "12"}, {"単価2", "TankaBox2", "1500"}, {"希望月", "KibouGatsuBox", "03"},
    {"希望日", "KibouBiBox", "15"}};

// The sample shop export's four orders as an operator types them into the
// window: the fields' texts, then the time slot's option.
const QStringList kShopFields{"T_1_Yuubin", "T_2_Jyuusyo", "T_3_Jyuusyo", "T_4_Namae", "T_6_Denwaba",
                              "c_Hinmei", "c_Hinmei2", "SyouhinBangouBox1"};
const QStringList kShopSender{"5300001", "大阪府大阪市北区梅田3-3-3", "梅田ハイツ２０１", "ネルファ商店", "06-3333-4444"};
const QList<QStringList> kShopOrders{
    {"1000005", "東京都千代田区丸の内1-1-1", "丸の内ビル１２階", "山田太郎 様", "03-1111-2222", "食品", "お菓子", "ORD-1001", "O_Haitatsu1"},
    {"0600001", "北海道札幌市中央区北一条西2-1", "", "株式会社北の物流 御中", "011-222-3333", "雑貨", "", "ORD-1002", "O_Haitatsu6"},
    {"9000001", "沖縄県那覇市港町1-2", "倉庫棟", "比嘉 花子 様", "098-111-2222", "生物", "", "ORD-1003", "O_Haitatsu3"},
    {"9800811", "宮城県仙台市青葉区一番町4-4", "", "髙橋一郎 様", "022-222-3333", "本", "書類", "ORD-1004", "O_Haitatsu5"}};

// Answers the batch's dialogs as they come: 「印刷」 in the confirmation,
// any other message with its only button, the mapping dialog with `map`.
// Presses 中止 once stopAt slips are done.
struct DialogWatch {
    QStringList messages; // the texts of the messages answered
    QTimer timer;
    std::function<void(MappingDialog *)> map = [](MappingDialog *dialog) { dialog->reject(); };

    explicit DialogWatch(int stopAt = INT_MAX)
    {
        QObject::connect(&timer, &QTimer::timeout, [this, stopAt] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *mapping = qobject_cast<MappingDialog *>(modal); mapping && mapping->isVisible()) {
                messages << "（対応づけ）" + mapping->checkSummary();
                // Answered once; a dialog still open after that is cancelled.
                std::exchange(map, [](MappingDialog *dialog) { dialog->reject(); })(mapping);
            }
            if (auto *progress = qobject_cast<QProgressDialog *>(modal); progress && progress->value() >= stopAt)
                progress->cancel();
            if (auto *box = qobject_cast<QMessageBox *>(modal); box && box->isVisible()) {
                messages << box->text();
                (box->objectName() == "CsvConfirm" ? box->button(QMessageBox::Ok) : box->buttons().first())->click();
            }
        });
        timer.start(1);
    }
};

// Writes the CSV file when it differs, then prints it from the window into a
// PDF file as the button does.
void printCsv(const LoadedWindow &w, const QByteArray &csv, const char *pdfName, const char *csvName = "orders.csv")
{
    QFile file(w.dir.filePath(csvName));
    const bool same = file.open(QIODevice::ReadOnly) && file.readAll() == csv;
    file.close();
    if (!same && !(file.open(QIODevice::WriteOnly) && file.write(csv) == csv.size() && file.flush()))
        throw std::runtime_error("cannot write the CSV file");
    w.window->setPrinterChoice({nerufa::PrinterChoice::Kind::PdfFile, w.dir.filePath(pdfName), {}, {}});
    w.get<CsvBatch>("CsvBatch")->printFile(file.fileName());
}

} // namespace

// True when every page of the two PDF files renders the same to the pixel.
bool samePages(const QString &a, const QStringList &b)
{
    QString error;
    for (int page = 1; page <= b.size(); ++page) {
        const QImage want = pdf::renderArea(b[page - 1], 100, 0, 0, 827, 1169, &error);
        if (want.isNull() || pdf::renderArea(a, 100, 0, 0, 827, 1169, &error, page) != want)
            return false;
    }
    return pdf::readText(a, &error).pages == b.size();
}

class TestWindowPrint : public QObject {
    Q_OBJECT

    QTemporaryDir m_config; // the profiles the tests save, never the user's

private slots:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        apptest::setupTestApplication();
        QVERIFY2(pdf::toolsAvailable(), "poppler-utils is needed");
    }

    // The sample shop export prints, through the built-in profile its header
    // chooses, exactly the pages of its four orders typed into the window.
    // The same file with renamed columns asks for the mapping once, then
    // reads with the profile saved from it, and prints the same pages.
    void shopExportSameAsTyped()
    {
        LoadedWindow w;
        QStringList typed;
        for (const QStringList &order : kShopOrders) {
            for (qsizetype i = 0; i < kShopFields.size(); ++i) {
                auto *edit = qobject_cast<QLineEdit *>(w.get(kShopFields[i]));
                (edit ? edit : w.combo(kShopFields[i])->lineEdit())->setText(order[i]);
            }
            for (qsizetype i = 0; i < kShopSender.size(); ++i)
                w.combo(QStringList{"iraiYuubin", "iraiJyuusyo1", "iraiJyuusyo2", "iraiNamae", "iraiDenwa"}[i])->lineEdit()->setText(kShopSender[i]);
            w.click(order.last());
            typed << w.dir.filePath(QString("typed%1.pdf").arg(typed.size() + 1));
            w.window->setPrinterChoice({nerufa::PrinterChoice::Kind::PdfFile, typed.last(), {}, {}});
            w.click("InsatsuBtn");
        }
        DialogWatch watch;
        printCsv(w, nerufa::testsupport::readFile(NERUFA_SAMPLE_SHOP), "shop.pdf", "shop.csv");
        watch.timer.stop();
        QVERIFY(watch.messages.value(0).contains("\nプロファイル「ショップ書き出し」（組み込み）で読みました。\n"));
        QVERIFY(samePages(w.dir.filePath("shop.pdf"), typed));

        // Two columns renamed: no profile knows the header any more. And an
        // empty column without a name at the end, as spreadsheets write.
        const auto sjis = [](const char *text) { return QByteArray(QStringEncoder("windows-31j").encode(QString(text))); };
        const QByteArray renamed = nerufa::testsupport::readFile(NERUFA_SAMPLE_SHOP).replace(sjis("\"お届け先名\""), sjis("\"お届け先氏名\""))
                                       .replace(sjis("\"配達時間帯\""), sjis("\"時間帯指定\"")).replace("\r\n", ",\r\n");
        DialogWatch mapped;
        mapped.map = [&mapped](MappingDialog *dialog) {
            const auto choose = [dialog](const QString &name, const QString &text) {
                auto *combo = dialog->findChild<QComboBox *>(name);
                combo->setCurrentIndex(combo->findText(text));
                QCoreApplication::processEvents(); // the live check
            };
            choose("MapColumn_T_4_Namae", "お届け先氏名");
            choose("MapJoined_T_4_Namae", "敬称");
            choose("MapColumn_O_Haitatsu", "時間帯指定");
            choose("MapValue_O_Haitatsu_0812", "変えない（そのまま読む）");
            mapped.messages << dialog->checkSummary() + "\n" + dialog->findChild<QLabel *>("MappingProblems")->text();
            // Tab goes from the last field through the value table to the name and 保存.
            QStringList tabs;
            for (QWidget *next = dialog->findChild<QWidget *>("MapJoined_O_Tsuuchi"); tabs.size() < 6;)
                if (((next = next->nextInFocusChain())->focusPolicy() & Qt::TabFocus) && next->isVisibleTo(dialog))
                    tabs << next->objectName();
            mapped.messages << tabs.join(' ');
            choose("MapValue_O_Haitatsu_0812", "午前  ９時～１２時頃");
            // 保存して続ける by Enter, after this answer, so that a message
            // it opens is answered in turn.
            QMetaObject::invokeMethod(dialog, [dialog] {
                QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_Return);
            }, Qt::QueuedConnection);
        };
        printCsv(w, renamed, "mapped.pdf", "renamed.csv");
        QCOMPARE(mapped.messages.mid(0, 2),
                 QStringList({"（対応づけ）確認：全 4 件のうち 4 件は問題なく印刷できます。",
                              "確認：全 4 件のうち 3 件は問題なく印刷できます。\n1 件目（時間帯指定 → 配達時間帯）："
                              "「0812」は選べません（空欄か 午前  ９時～１２時頃・午後１２時～１４時頃・午後１４時～１７時頃・"
                              "夕方１７時～１９時頃・夜間１９時～２１時頃・希望なし）"}));
        QCOMPARE(mapped.messages.value(2), "MapValue_O_Haitatsu_0812 MapValue_O_Haitatsu_ MapValue_O_Haitatsu_1416 "
                                           "MapValue_O_Haitatsu_2021 MappingName MappingSave");
        QVERIFY(mapped.messages.value(3).contains("\nプロファイル「renamed」で読みました。\n"));
        QVERIFY(samePages(w.dir.filePath("mapped.pdf"), typed));
        mapped.timer.stop();
        DialogWatch again;
        printCsv(w, renamed, "again.pdf", "renamed.csv");
        QVERIFY(again.messages.value(0).startsWith("「renamed.csv」の 4 件を送り状に印刷します。\nプロファイル「renamed」で読みました。"));
        QVERIFY(samePages(w.dir.filePath("again.pdf"), typed));
    }

    void sameAsTyped()
    {
        // Every item of the slip on: both care-of lines, desired date, a
        // time slot and notification other than the start ones, both lines
        // of numbers.
        LoadedWindow w;
        w.edit("Sayuu_Xtxt")->setText("31");
        w.edit("Jyouge_Ytxt")->setText("68");
        QStringList columns{"配達時間帯", "お届け通知"}, row{"夕方１７時～１９時頃", "不要"};
        for (const auto &[column, field, text] : kEveryText) {
            columns << column;
            row << text;
            auto *edit = qobject_cast<QLineEdit *>(w.get(field));
            (edit ? edit : w.combo(field)->lineEdit())->setText(text);
        }
        for (const char *button : {"C_1_Samakata", "C_2_Samakata", "KibouBtn", "O_Haitatsu4", "O_Tsuuchi2",
                                   "SuujiNyuuryokuBtn", "GoukeiBtn"})
            w.click(button);
        w.window->setPrinterChoice({nerufa::PrinterChoice::Kind::PdfFile, w.dir.filePath("typed.pdf"), {}, {}});
        w.click("InsatsuBtn");
        QString error;
        for (const char *item : {"佐藤様方", "田中様方", "03", "15", "18000", "58000", "B-200"}) // all there to compare
            QCOMPARE(pdf::wordsNamed(pdf::readText(w.dir.filePath("typed.pdf"), &error), item).size(), 1);
        // In the one face, embedded; 夕方's circle at its place, moved by the offsets.
        QCOMPARE(pdf::readFonts(w.dir.filePath("typed.pdf"), &error), QStringList{"IPAPGothic"});
        QCOMPARE(pdf::circleProblem(w.dir.filePath("typed.pdf"), QPointF(378 + 1, 446 - 2), 2.0), QString());

        // The same window prints the row from the file: the whole A4 page,
        // rendered, is the same to the pixel (texts and circles alike).
        DialogWatch watch;
        printCsv(w, (columns.join(',') + "\r\n" + row.join(',') + "\r\n").toUtf8(), "batch.pdf");
        const QImage want = pdf::renderArea(w.dir.filePath("typed.pdf"), 100, 0, 0, 827, 1169, &error);
        QVERIFY2(!want.isNull() && error.isEmpty(), qPrintable(error));
        QVERIFY(pdf::renderArea(w.dir.filePath("batch.pdf"), 100, 0, 0, 827, 1169, &error) == want);
    }

    void stopAndGoOn()
    {
        LoadedWindow w;
        QByteArray csv = "お届け先名前\n";
        for (int i = 1; i <= 40; ++i)
            csv += "客" + QByteArray::number(i) + "\n";
        QString error;
        DialogWatch stopping(2);
        printCsv(w, csv, "out.pdf");
        stopping.timer.stop();
        QVERIFY(stopping.messages.value(0).startsWith("「orders.csv」の 40 件を送り状に印刷します。\n\n1 件目\u3000客1\n") &&
                stopping.messages.value(0).contains("\n5 件目\u3000客5\nほか 35 件\n\nPDF："));
        // Stopped between slips: what was done is kept and the next row named.
        const int printed = pdf::readText(w.dir.filePath("out.pdf"), &error).pages;
        QVERIFY(printed >= 2 && printed < 40);
        QCOMPARE(stopping.messages.value(1), QString("印刷を中止しました。%1 枚印刷しました。次は %2 件目からです。\n"
                                               "同じファイルをもう一度選ぶと、%2 件目から続けて印刷します。")
                                           .arg(printed).arg(printed + 1));
        // The same file again goes on from there, so no slip is printed twice.
        DialogWatch watch;
        printCsv(w, csv, "out.pdf");
        QCOMPARE(watch.messages.value(1), QString("%1 枚印刷しました。").arg(40 - printed));
        QCOMPARE(pdf::readText(w.dir.filePath("out.pdf"), &error).pages, 40 - printed);
        watch.timer.stop();
        // A file changed since it stopped is another file: it starts at row 1.
        DialogWatch stoppedAgain(2);
        printCsv(w, csv, "out.pdf");
        stoppedAgain.timer.stop();
        DialogWatch changed;
        printCsv(w, csv + "客41\n", "out.pdf");
        QVERIFY(changed.messages.value(0).startsWith("「orders.csv」の 41 件を送り状に印刷します。\n\n1 件目"));
        QCOMPARE(pdf::readText(w.dir.filePath("out.pdf"), &error).pages, 41);
    }

    // A CSV file dropped on the window, or named when the program starts (as
    // a desktop opens a file with it), asks to print it as the button does.
    void droppedOrNamedFileStartsTheBatch_data()
    {
        QTest::addColumn<bool>("dropped");
        QTest::newRow("dropped") << true;
        QTest::newRow("named at start") << false;
    }
    void droppedOrNamedFileStartsTheBatch()
    {
        QFETCH(bool, dropped);
        LoadedWindow w;
        QFile csv(w.dir.filePath("dropped.csv"));
        QVERIFY(csv.open(QIODevice::WriteOnly) && csv.write("お届け先郵便番号,お届け先名前\n0000000,山田\n") > 0);
        csv.close();
        w.window->setPrinterChoice({nerufa::PrinterChoice::Kind::PdfFile, w.dir.filePath("dropped.pdf"), {}, {}});
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(csv.fileName())});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        if (dropped) {
            QApplication::sendEvent(w.window.get(), &enter);
            QVERIFY(enter.isAccepted());
            QApplication::sendEvent(w.window.get(), &drop);
        } else {
            w.window->offerCsvFile(csv.fileName());
        }
        DialogWatch watch;
        QTRY_COMPARE(watch.messages.size(), 2);
        QVERIFY(watch.messages[0].startsWith("「dropped.csv」の 1 件を送り状に印刷します。"));
        // Before the window's first paint too, the file is checked against the postal table.
        QVERIFY(watch.messages[0].contains("1 件目（お届け先郵便番号）：「0000000」という郵便番号は見つかりません"));
        QString error;
        QCOMPARE(pdf::readText(w.dir.filePath("dropped.pdf"), &error).pages, 1);
    }

    // 「○印の印刷」 with the panel's offsets: two small circles, shifted.
    void positionCheckButtonPrintsTheCircles()
    {
        LoadedWindow w;
        w.window->setPrinterChoice({nerufa::PrinterChoice::Kind::PdfFile, w.dir.filePath("check.pdf"), {}, {}});
        w.click("OnOffBtn");
        w.edit("Sayuu_Xtxt")->setText("31");
        w.edit("Jyouge_Ytxt")->setText("69");
        w.click("IchiBtn");
        const QString file = w.dir.filePath("check.pdf");
        QCOMPARE(pdf::circleProblem(file, QPointF(806 + 1, 106 - 1), 0.3), QString());
        QCOMPARE(pdf::circleProblem(file, QPointF(1438 + 1, 106 - 1), 0.3), QString());
    }
};

QTEST_MAIN(TestWindowPrint)
#include "test_windowprint.moc"
