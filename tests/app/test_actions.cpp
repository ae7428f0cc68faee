// What the entry buttons and toggles do to the fields, printer setup and exit.
#include "apptest.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QtTest>

using apptest::LoadedWindow;

namespace {

const char *const kRecipient[] = {"T_1_Yuubin", "T_2_Jyuusyo", "T_3_Jyuusyo", "T_4_Namae", "T_5_Samakata",
                                  "T_6_Denwaba"};
const char *const kSender[] = {"iraiYuubin", "iraiJyuusyo1", "iraiJyuusyo2", "iraiNamae", "iraiSamakata",
                               "iraiDenwa"};

QStringList recipientTexts(const LoadedWindow &w)
{
    QStringList texts;
    for (const char *name : kRecipient)
        texts << w.edit(name)->text();
    return texts;
}

QStringList senderTexts(const LoadedWindow &w)
{
    QStringList texts;
    for (const char *name : kSender)
        texts << w.combo(name)->currentText();
    return texts;
}

void fill(LoadedWindow &w)
{
    const QStringList recipient{"1234567", "東京都千代田区", "1-2-3", "山田太郎", "鈴木", "03-1234-5678"};
    const QStringList sender{"123-4567", "大阪府大阪市", "", "佐藤花子", "田中", "06-9876-5432"};
    for (int i = 0; i < 6; ++i) {
        w.edit(kRecipient[i])->setText(recipient[i]);
        w.combo(kSender[i])->setEditText(sender[i]);
    }
}

// Every text, visibility and state of the window, to compare before and after.
QStringList everything(const LoadedWindow &w)
{
    QStringList state;
    for (QWidget *widget : w.window->findChildren<QWidget *>()) {
        if (widget->objectName().isEmpty() || widget->objectName().startsWith(QLatin1String("qt_")))
            continue;
        QString line = widget->objectName() + (widget->isHidden() ? " hidden" : " shown");
        if (auto *edit = qobject_cast<QLineEdit *>(widget))
            line += " text=" + edit->text();
        if (auto *combo = qobject_cast<QComboBox *>(widget))
            line += " text=" + combo->currentText() + " items=" + QString::number(combo->count());
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            line += " checked=" + QString::number(button->isChecked()) + " caption=" + button->text();
        state << line;
    }
    state.sort();
    return state;
}

} // namespace

class TestActions : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { apptest::setupTestApplication(); }

    void careOfBoxesShowAndHideWithoutTouchingText()
    {
        LoadedWindow w;
        auto *check = w.get<QCheckBox>("C_1_Samakata");
        check->click();
        QVERIFY(!w.get("T_5_Samakata")->isHidden());
        w.edit("T_5_Samakata")->setText(QStringLiteral("鈴木"));
        check->click();
        QVERIFY(w.get("T_5_Samakata")->isHidden());
        QCOMPARE(w.edit("T_5_Samakata")->text(), QStringLiteral("鈴木"));
        check->click();
        QCOMPARE(w.edit("T_5_Samakata")->text(), QStringLiteral("鈴木"));
        w.get<QCheckBox>("C_2_Samakata")->click();
        QVERIFY(!w.get("iraiSamakata")->isHidden());
    }

    void exchangeSwapsTextsNotVisibility()
    {
        LoadedWindow w;
        fill(w);
        w.get<QCheckBox>("C_1_Samakata")->click(); // recipient care-of shown, sender's hidden
        const QStringList recipient = recipientTexts(w);
        const QStringList sender = senderTexts(w);
        w.get<QPushButton>("z_Henkan")->click();
        QCOMPARE(recipientTexts(w), sender);
        QCOMPARE(senderTexts(w), recipient);
        // The postal code field's typing limit does not cut the moved text.
        QCOMPARE(w.edit("T_1_Yuubin")->text(), QStringLiteral("123-4567"));
        QVERIFY(!w.get("T_5_Samakata")->isHidden());
        QVERIFY(w.get("iraiSamakata")->isHidden());
        QVERIFY(w.get<QCheckBox>("C_1_Samakata")->isChecked());
        QVERIFY(!w.get<QCheckBox>("C_2_Samakata")->isChecked());
        QCOMPARE(w.combo("iraiYuubin")->count(), 0);

        w.get<QPushButton>("z_Henkan")->click();
        QCOMPARE(recipientTexts(w), recipient);
        QCOMPARE(senderTexts(w), sender);
    }

    void exchangeWithAnEmptyBlockEmptiesTheOther()
    {
        LoadedWindow w;
        fill(w);
        w.get<QPushButton>("T_clear2")->click();
        w.get<QPushButton>("z_Henkan")->click();
        QCOMPARE(recipientTexts(w), QStringList(6, QString()));
        QCOMPARE(senderTexts(w).at(3), QStringLiteral("山田太郎"));
    }

    void clearEmptiesHiddenCareOfToo()
    {
        LoadedWindow w;
        fill(w);
        w.get<QCheckBox>("C_2_Samakata")->click();
        w.get<QPushButton>("T_clear1")->click();
        QCOMPARE(recipientTexts(w), QStringList(6, QString()));
        QVERIFY(w.get("T_5_Samakata")->isHidden());
        QVERIFY(!w.get<QCheckBox>("C_1_Samakata")->isChecked());
        QCOMPARE(senderTexts(w).at(0), QStringLiteral("123-4567")); // the other block is untouched

        w.get<QPushButton>("T_clear2")->click();
        QCOMPARE(senderTexts(w), QStringList(6, QString()));
        QVERIFY(w.get<QCheckBox>("C_2_Samakata")->isChecked());
        QVERIFY(!w.get("iraiSamakata")->isHidden());
        QCOMPARE(w.combo("iraiNamae")->count(), 0);
    }

    void total_data()
    {
        QTest::addColumn<QStringList>("inputs"); // quantity 1, price 1, quantity 2, price 2
        QTest::addColumn<QStringList>("results"); // amount 1, amount 2, total
        QTest::newRow("untouched") << QStringList{"0", "0", "0", "0"} << QStringList{"0", "0", "0"};
        QTest::newRow("line 1 only") << QStringList{"2", "1200", "0", "0"} << QStringList{"2400", "0", "2400"};
        QTest::newRow("grouped price") << QStringList{"2", "1,500", "3", "500"} << QStringList{"3000", "1500", "4500"};
        QTest::newRow("no rounding to yen") << QStringList{"1.5", "3", "3", "1.1"} << QStringList{"4.5", "3.3", "7.8"};
        QTest::newRow("blanks around") << QStringList{" 2 ", "100", "1", " 5"} << QStringList{"200", "5", "205"};
        QTest::newRow("negative") << QStringList{"-1", "300", "2", "100"} << QStringList{"-300", "200", "-100"};
        // Within the typing limits the largest result fits its box; beyond
        // them (set by hand) a result is written whole, never cut.
        QTest::newRow("largest typed") << QStringList{"999", "99999", "999", "99999"}
                                       << QStringList{"99899001", "99899001", "199798002"};
        QTest::newRow("longer than the box") << QStringList{"99999", "9999999", "1", "0.25"}
                                             << QStringList{"999989900001", "0.25", "999989900001.25"};
    }
    void total()
    {
        QFETCH(QStringList, inputs);
        QFETCH(QStringList, results);
        LoadedWindow w;
        w.get<QPushButton>("SuujiNyuuryokuBtn")->click();
        const char *in[] = {"SuuryouBox1", "TankaBox1", "SuuryouBox2", "TankaBox2"};
        for (int i = 0; i < 4; ++i)
            w.edit(in[i])->setText(inputs[i]);
        w.edit("KingakuBox1")->setText(QStringLiteral("55555")); // typed by hand, ignored
        w.get<QPushButton>("GoukeiBtn")->click();
        QCOMPARE(w.edit("KingakuBox1")->text(), results[0]);
        QCOMPARE(w.edit("KingakuBox2")->text(), results[1]);
        QCOMPARE(w.edit("GoukeiBox")->text(), results[2]);
    }

    void totalWithABadBoxChangesNothing_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("named");
        QTest::newRow("empty quantity 1") << "SuuryouBox1" << "" << "数量1";
        QTest::newRow("letters in price 2") << "TankaBox2" << "abc" << "単価2";
        QTest::newRow("overflowing product") << "TankaBox2" << "1e308" << "金額2";
    }
    void totalWithABadBoxChangesNothing()
    {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, named);
        LoadedWindow w;
        w.get<QPushButton>("SuujiNyuuryokuBtn")->click();
        w.edit("SuuryouBox1")->setText(QStringLiteral("2"));
        w.edit("TankaBox1")->setText(QStringLiteral("100"));
        w.edit("SuuryouBox2")->setText(QStringLiteral("10"));
        w.edit(box.toLatin1().constData())->setText(text);
        const QStringList before = everything(w);
        auto seen = apptest::answerNextMessageBox(QMessageBox::Ok);
        w.get<QPushButton>("GoukeiBtn")->click();
        QVERIFY(seen->seen);
        QVERIFY2(seen->text.contains(named), qPrintable(seen->text));
        QCOMPARE(everything(w), before);
    }

    void numericToggleShowsTheAreaAndKeepsFigures()
    {
        LoadedWindow w;
        auto *toggle = w.get<QPushButton>("SuujiNyuuryokuBtn");
        const char *area[] = {"SuuryouLb", "TankaLb", "KingakuLb", "SuuryouBox1", "Kakeru1Lb", "TankaBox1",
                              "Equal1Lb", "KingakuBox1", "SuuryouBox2", "Kakeru2Lb", "TankaBox2", "Equal2Lb",
                              "KingakuBox2", "GoukeiBox", "GoukeiBtn"};
        toggle->click();
        for (const char *name : area)
            QVERIFY2(!w.get(name)->isHidden(), name);
        w.edit("TankaBox1")->setText(QStringLiteral("1200"));
        w.edit("SyouhinBangouBox1")->setText(QStringLiteral("A-1"));
        const QString caption = toggle->text();
        toggle->click();
        for (const char *name : area)
            QVERIFY2(w.get(name)->isHidden(), name);
        QVERIFY(!w.get("SyouhinBangouBox1")->isHidden());
        QVERIFY(!w.get("c_Hinmei")->isHidden());
        toggle->click();
        QCOMPARE(w.edit("TankaBox1")->text(), QStringLiteral("1200"));
        QCOMPARE(w.edit("SyouhinBangouBox1")->text(), QStringLiteral("A-1"));
        QCOMPARE(toggle->text(), caption);
    }

    void desiredDateToggleColoursItsCaption()
    {
        LoadedWindow w;
        auto *toggle = w.get<QPushButton>("KibouBtn");
        const char *lists[] = {"KibouGatsuBox", "KibouBiBox", "TsukiLb", "HiLb"};
        toggle->click();
        for (const char *name : lists)
            QVERIFY2(!w.get(name)->isHidden(), name);
        QCOMPARE(toggle->palette().color(QPalette::ButtonText), QColor(0, 0, 0));
        QCOMPARE(w.combo("KibouGatsuBox")->currentText(), QStringLiteral("05"));
        w.combo("KibouGatsuBox")->setEditText(QStringLiteral("02"));
        w.combo("KibouBiBox")->setEditText(QStringLiteral("31"));
        toggle->click();
        for (const char *name : lists)
            QVERIFY2(w.get(name)->isHidden(), name);
        QCOMPARE(toggle->palette().color(QPalette::ButtonText), QColor(128, 128, 128));
        toggle->click();
        QCOMPARE(w.combo("KibouGatsuBox")->currentText(), QStringLiteral("02"));
        QCOMPARE(w.combo("KibouBiBox")->currentText(), QStringLiteral("31"));
        QCOMPARE(toggle->text(), QStringLiteral("希望お届け日"));
    }

    void exitAsksFirst()
    {
        LoadedWindow w;
        fill(w);
        w.window->show();
        const QStringList before = everything(w);
        auto no = apptest::answerNextMessageBox(QMessageBox::No);
        w.get<QPushButton>("zEndBtn")->click();
        QVERIFY(no->seen);
        QCOMPARE(no->text, QStringLiteral("このプログラムを終了しますか？"));
        QCOMPARE(no->title, QStringLiteral(" ネルファ送り状\u3000\u3000"));
        QCOMPARE(no->icon, QMessageBox::Question);
        QCOMPARE(no->defaultButton, QMessageBox::Yes);
        QVERIFY(w.window->isVisible());
        QCOMPARE(everything(w), before);

        // Enter answers the default, はい, and the window goes.
        auto enter = apptest::answerNextMessageBox(QMessageBox::NoButton);
        w.get<QPushButton>("zEndBtn")->click();
        QVERIFY(enter->seen);
        QVERIFY(!w.window->isVisible());
    }

    void printerSetupCancelChangesNothing()
    {
        LoadedWindow w;
        w.window->setPrinterChoice({nerufa::PrinterChoice::Kind::PdfFile, w.dir.filePath("before.pdf"), {}, {}});
        const nerufa::PrinterChoice before = w.window->printerChoice();
        QString okCaption;
        apptest::onNextModalDialog([&](QWidget *dialog) {
            if (auto *buttons = dialog->findChild<QDialogButtonBox *>())
                okCaption = buttons->button(QDialogButtonBox::Ok)->text();
            if (auto *file = dialog->findChild<QLineEdit *>(QStringLiteral("PdfPath")))
                file->setText(w.dir.filePath("other.pdf"));
            qobject_cast<QDialog *>(dialog)->reject();
        });
        w.get<QPushButton>("PriDiaBtn")->click();
        QCOMPARE(okCaption, QStringLiteral("OK"));
        QVERIFY(w.window->printerChoice() == before);
    }

    void printWithoutAPrinterSaysWhereToChooseOne()
    {
        LoadedWindow w;
        // What is left when no printer is installed.
        w.window->setPrinterChoice({});
        w.edit("T_4_Namae")->setText(QStringLiteral("山田"));
        const QStringList before = everything(w);
        auto seen = apptest::answerNextMessageBox(QMessageBox::Ok);
        w.get<QPushButton>("InsatsuBtn")->click();
        QVERIFY(seen->seen);
        QCOMPARE(seen->icon, QMessageBox::Critical);
        QVERIFY2(seen->text.contains(QStringLiteral("「プリンタの設定」")), qPrintable(seen->text));
        QCOMPARE(everything(w), before);
    }

    void printerSetupChoiceIsUsedByTheNextPrint()
    {
        LoadedWindow w;
        const QString pdf = w.dir.filePath("chosen.pdf");
        apptest::onNextModalDialog([&](QWidget *dialog) {
            auto *printers = dialog->findChild<QListWidget *>(QStringLiteral("PrinterList"));
            QVERIFY(printers);
            // 「PDF ファイル」 is the last entry.
            printers->setCurrentRow(printers->count() - 1);
            dialog->findChild<QLineEdit *>(QStringLiteral("PdfPath"))->setText(pdf);
            qobject_cast<QDialog *>(dialog)->accept();
        });
        w.get<QPushButton>("PriDiaBtn")->click();
        QCOMPARE(w.window->printerChoice().target, pdf);
        QVERIFY(!QFileInfo::exists(pdf)); // the dialog itself prints nothing
        w.get<QPushButton>("InsatsuBtn")->click();
        QVERIFY(QFileInfo(pdf).size() > 0);
    }
};

QTEST_MAIN(TestActions)
#include "test_actions.moc"
