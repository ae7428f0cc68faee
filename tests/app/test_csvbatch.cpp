// Printing a CSV file from the window: a row prints exactly what the same
// fields typed into the window print with 「印刷」; a batch stopped between
// slips goes on from the next row, and the window's fields stay as they
// were.

#include "apptest.h"
#include "csvbatch.h"
#include "pdfprobe.h"

#include <QAbstractButton>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>

namespace pdf = nerufa::testpdf;
using apptest::LoadedWindow;

namespace {

// Every item of the slip on: both care-of lines, desired date, a time slot
// and notification other than the start ones, goods, product numbers and
// both lines of numbers.
const QByteArray kEveryItem =
    "お届け先郵便番号,お届け先住所1,お届け先住所2,お届け先名前,お届け先様方,お届け先電話番号,"
    "ご依頼主郵便番号,ご依頼主住所1,ご依頼主住所2,ご依頼主名前,ご依頼主様方,ご依頼主電話番号,"
    "品名1,品名2,商品番号1,商品番号2,数量1,単価1,数量2,単価2,希望月,希望日,配達時間帯,お届け通知\r\n"
    "1000005,東京都千代田区丸の内,一丁目ビル１２階,山田太郎,佐藤様方,03-1111-2222,"
    "5300001,大阪府大阪市北区,梅田三丁目,鈴木花子,田中様方,06-3333-4444,"
    "りんご,みかん,A-100,B-200,10,4000,12,1500,03,15,夕方１７時～１９時頃,不要\r\n";

void typeEveryItem(const LoadedWindow &w)
{
    const QList<std::pair<const char *, QString>> edits = {
        {"T_1_Yuubin", "1000005"}, {"T_2_Jyuusyo", "東京都千代田区丸の内"}, {"T_3_Jyuusyo", "一丁目ビル１２階"},
        {"T_4_Namae", "山田太郎"}, {"T_5_Samakata", "佐藤様方"}, {"T_6_Denwaba", "03-1111-2222"},
        {"SyouhinBangouBox1", "A-100"}, {"SyouhinBangouBox2", "B-200"}, {"SuuryouBox1", "10"},
        {"TankaBox1", "4000"}, {"SuuryouBox2", "12"}, {"TankaBox2", "1500"}};
    for (const auto &[name, text] : edits)
        w.edit(name)->setText(text);
    const QList<std::pair<const char *, QString>> combos = {
        {"iraiYuubin", "5300001"}, {"iraiJyuusyo1", "大阪府大阪市北区"}, {"iraiJyuusyo2", "梅田三丁目"},
        {"iraiNamae", "鈴木花子"}, {"iraiSamakata", "田中様方"}, {"iraiDenwa", "06-3333-4444"},
        {"c_Hinmei", "りんご"}, {"c_Hinmei2", "みかん"}, {"KibouGatsuBox", "03"}, {"KibouBiBox", "15"}};
    for (const auto &[name, text] : combos)
        w.combo(name)->setEditText(text);
    for (const char *button : {"C_1_Samakata", "C_2_Samakata", "KibouBtn", "O_Haitatsu4", "O_Tsuuchi2",
                               "SuujiNyuuryokuBtn", "GoukeiBtn"})
        w.get<QAbstractButton>(button)->click();
}

// Answers the batch's dialogs as they come: 「印刷」 in the confirmation,
// any other message with its only button; notes the progress. With
// stopAt, presses 中止 once that many slips are done.
struct DialogWatch {
    QStringList messages;
    int progressMaximum = -1;
    QTimer timer;

    explicit DialogWatch(int stopAt = -1)
    {
        timer.setInterval(1);
        QObject::connect(&timer, &QTimer::timeout, [this, stopAt] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *progress = qobject_cast<QProgressDialog *>(modal)) {
                progressMaximum = progress->maximum();
                if (stopAt >= 0 && progress->value() >= stopAt && !progress->wasCanceled())
                    progress->cancel();
            }
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (!box || !box->isVisible())
                return;
            messages << box->text();
            (box->objectName() == "CsvConfirm" ? box->button(QMessageBox::Ok) : box->buttons().first())->click();
        });
        timer.start();
    }
};

QString writeFile(const QTemporaryDir &dir, const char *name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", name);
    return file.fileName();
}

CsvBatch *batchOf(const LoadedWindow &w)
{
    return w.window->findChild<CsvBatch *>("CsvBatch");
}

} // namespace

class TestCsvBatch : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(pdf::toolsAvailable(), "poppler-utils is needed");
        apptest::setupTestApplication();
    }

    void sameAsTyped();
    void stopAndGoOn();
};

void TestCsvBatch::sameAsTyped()
{
    LoadedWindow w;
    w.edit("Sayuu_Xtxt")->setText("31");
    w.edit("Jyouge_Ytxt")->setText("68");
    typeEveryItem(w);
    const QString typed = w.dir.filePath("typed.pdf");
    w.window->setPrinterChoice({nerufa::PrinterChoice::Kind::PdfFile, typed, {}, {}});
    w.get<QPushButton>("InsatsuBtn")->click();

    // The same window prints the row from the file.
    const QString batch = w.dir.filePath("batch.pdf");
    w.window->setPrinterChoice({nerufa::PrinterChoice::Kind::PdfFile, batch, {}, {}});
    DialogWatch watch;
    batchOf(w)->printFile(writeFile(w.dir, "orders.csv", kEveryItem));
    QCOMPARE(watch.messages.last(), "1 枚印刷しました。");

    QString error;
    const pdf::TextLayout expected = pdf::readText(typed, &error);
    const pdf::TextLayout actual = pdf::readText(batch, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(actual.pages, 1);
    for (const char *item : {"佐藤様方", "田中様方", "03", "15", "18000", "58000", "B-200"})
        QCOMPARE(pdf::wordsNamed(expected, item).size(), 1); // every item is there to compare
    QCOMPARE(actual.words.size(), expected.words.size());
    for (qsizetype i = 0; i < expected.words.size(); ++i) {
        const pdf::Word &want = expected.words[i];
        const pdf::Word &got = actual.words[i];
        QCOMPARE(got.text, want.text);
        QVERIFY2(qAbs(got.xMin - want.xMin) < 0.01 && qAbs(got.yMin - want.yMin) < 0.01,
                 qPrintable(QString("%1 at %2,%3 instead of %4,%5")
                                .arg(got.text).arg(got.xMin).arg(got.yMin).arg(want.xMin).arg(want.yMin)));
    }
    // The circles of time slot and notification too: the whole A4 page,
    // rendered, is the same to the pixel.
    const QImage want = pdf::renderArea(typed, 100, 0, 0, 827, 1169, &error);
    const QImage got = pdf::renderArea(batch, 100, 0, 0, 827, 1169, &error);
    QVERIFY2(!want.isNull() && error.isEmpty(), qPrintable(error));
    QVERIFY(got == want);
}

void TestCsvBatch::stopAndGoOn()
{
    LoadedWindow w;
    w.edit("T_4_Namae")->setText("窓の名前");
    const QString out = w.dir.filePath("out.pdf");
    w.window->setPrinterChoice({nerufa::PrinterChoice::Kind::PdfFile, out, {}, {}});
    QByteArray csv = "お届け先名前\n";
    for (int i = 1; i <= 40; ++i)
        csv += "客" + QByteArray::number(i) + "\n";
    const QString file = writeFile(w.dir, "orders.csv", csv);

    int printed = 0;
    {
        DialogWatch watch(2);
        batchOf(w)->printFile(file);
        QCOMPARE(watch.messages.size(), 2);
        QVERIFY(watch.messages[0].startsWith("「orders.csv」の 40 件を送り状に印刷します。\n\n1 件目\u3000客1\n"
                                             "2 件目\u3000客2\n3 件目\u3000客3\n4 件目\u3000客4\n5 件目\u3000客5\n"
                                             "ほか 35 件\n\nPDF："));
        QCOMPARE(watch.progressMaximum, 40);
        // Stopped between slips: what was done is kept and the next row named.
        QString error;
        printed = pdf::readText(out, &error).pages;
        QVERIFY(printed >= 2 && printed < 40);
        QCOMPARE(watch.messages[1], QString("印刷を中止しました。%1 枚印刷しました。次は %2 件目からです。\n"
                                            "同じファイルをもう一度選ぶと、%2 件目から続けて印刷します。")
                                        .arg(printed).arg(printed + 1));
    }
    // The same file again goes on from there, so no slip is printed twice.
    DialogWatch watch;
    batchOf(w)->printFile(file);
    QVERIFY2(watch.messages.first().contains(QString("前回は途中で止まったため、%1 件目から").arg(printed + 1)),
             qPrintable(watch.messages.first()));
    QCOMPARE(watch.messages.last(), QString("%1 枚印刷しました。").arg(40 - printed));
    QString error;
    const pdf::TextLayout layout = pdf::readText(out, &error);
    QCOMPARE(layout.pages, 40 - printed);
    QCOMPARE(pdf::wordsNamed(layout, QString("客%1").arg(printed)).size(), 0);
    QCOMPARE(pdf::wordsNamed(layout, QString("客%1").arg(printed + 1)).size(), 1);
    // The window's own fields are only read.
    QCOMPARE(w.edit("T_4_Namae")->text(), "窓の名前");
    QVERIFY(w.edit("T_5_Samakata")->isHidden());
}

QTEST_MAIN(TestCsvBatch)
#include "test_csvbatch.moc"
