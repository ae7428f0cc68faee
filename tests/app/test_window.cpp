// The window: what its buttons and toggles do, what a print takes from it,
// the Tab walk, typing, and printer setup and exit.
#include "apptest.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QPrinter>
#include <QtTest>

using apptest::LoadedWindow;
using nerufa::testsupport::guardRow;

namespace {

// Every field of a snapshot as "field=value", in the snapshot's order.
QStringList fields(const nerufa::SlipSnapshot &s)
{
    const auto flag = [](bool b) { return QString(b ? "true" : "false"); };
    return {"offsetXText=" + s.offsetXText, "offsetYText=" + s.offsetYText,
            "recipientPostal=" + s.recipientPostal, "recipientAddress1=" + s.recipientAddress1,
            "recipientAddress2=" + s.recipientAddress2, "recipientName=" + s.recipientName,
            "recipientCareOf=" + s.recipientCareOf, "recipientCareOfVisible=" + flag(s.recipientCareOfVisible),
            "recipientPhone=" + s.recipientPhone, "senderPostal=" + s.senderPostal,
            "senderAddress1=" + s.senderAddress1, "senderAddress2=" + s.senderAddress2,
            "senderName=" + s.senderName, "senderCareOf=" + s.senderCareOf,
            "senderCareOfVisible=" + flag(s.senderCareOfVisible), "senderPhone=" + s.senderPhone,
            "desiredMonth=" + s.desiredMonth, "desiredMonthVisible=" + flag(s.desiredMonthVisible),
            "desiredDay=" + s.desiredDay, "desiredDayVisible=" + flag(s.desiredDayVisible),
            "timeSlot=" + QString::number(s.timeSlot), "notification=" + QString::number(s.notification),
            "goods1=" + s.goods1, "goods2=" + s.goods2, "productNumber1=" + s.productNumber1,
            "productNumber2=" + s.productNumber2, "numericToggleDown=" + flag(s.numericToggleDown),
            "quantity1=" + s.quantity1, "quantity2=" + s.quantity2, "unitPrice1=" + s.unitPrice1,
            "unitPrice2=" + s.unitPrice2, "amount1=" + s.amount1, "amount2=" + s.amount2, "total=" + s.total};
}

const QStringList kRecipient{"T_1_Yuubin", "T_2_Jyuusyo", "T_3_Jyuusyo", "T_4_Namae", "T_5_Samakata", "T_6_Denwaba"};
const QStringList kSender{"iraiYuubin", "iraiJyuusyo1", "iraiJyuusyo2", "iraiNamae", "iraiSamakata", "iraiDenwa"};

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { apptest::setupTestApplication(); }

    // Each text control holds its own name; the snapshot a print takes must
    // show every name in the field the slip prints it from.
    void printTakesEveryControl_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QStringList>("changed"); // fields that differ from the window as filled
        QTest::newRow("as filled") << QStringList() << QStringList();
        QTest::newRow("午前  ９時～１２時頃") << QStringList{"O_Haitatsu1"} << QStringList{"timeSlot=1"};
        QTest::newRow("午後１２時～１４時頃") << QStringList{"O_Haitatsu2"} << QStringList{"timeSlot=2"};
        QTest::newRow("午後１４時～１７時頃") << QStringList{"O_Haitatsu3"} << QStringList{"timeSlot=3"};
        QTest::newRow("夕方１７時～１９時頃") << QStringList{"O_Haitatsu4"} << QStringList{"timeSlot=4"};
        QTest::newRow("夜間１９時～２１時頃") << QStringList{"O_Haitatsu5"} << QStringList{"timeSlot=5"};
        QTest::newRow("希望なし again") << QStringList{"O_Haitatsu2", "O_Haitatsu6"} << QStringList();
        QTest::newRow("不要") << QStringList{"O_Tsuuchi2"} << QStringList{"notification=2"};
        QTest::newRow("必要 again") << QStringList{"O_Tsuuchi2", "O_Tsuuchi1"} << QStringList();
        QTest::newRow("recipient care-of") << QStringList{"C_1_Samakata"} << QStringList{"recipientCareOfVisible=true"};
        QTest::newRow("sender care-of") << QStringList{"C_2_Samakata"} << QStringList{"senderCareOfVisible=true"};
        QTest::newRow("care-of ticked, unticked") << QStringList{"C_1_Samakata", "C_1_Samakata"} << QStringList();
        QTest::newRow("desired date") << QStringList{"KibouBtn"}
                                      << QStringList{"desiredMonthVisible=true", "desiredDayVisible=true"};
        QTest::newRow("numbers") << QStringList{"SuujiNyuuryokuBtn"} << QStringList{"numericToggleDown=true"};
        QTest::newRow("入替") << QStringList{"z_Henkan"}
                            << QStringList{"recipientPostal=iraiYuubin", "recipientAddress1=iraiJyuusyo1",
                                           "recipientAddress2=iraiJyuusyo2", "recipientName=iraiNamae",
                                           "recipientCareOf=iraiSamakata", "recipientPhone=iraiDenwa",
                                           "senderPostal=T_1_Yuubin", "senderAddress1=T_2_Jyuusyo",
                                           "senderAddress2=T_3_Jyuusyo", "senderName=T_4_Namae",
                                           "senderCareOf=T_5_Samakata", "senderPhone=T_6_Denwaba"};
        QTest::newRow("入替 twice") << QStringList{"z_Henkan", "z_Henkan"} << QStringList();
        QTest::newRow("recipient クリア") << QStringList{"T_clear1"}
                                     << QStringList{"recipientPostal=", "recipientAddress1=", "recipientAddress2=",
                                                    "recipientName=", "recipientCareOf=", "recipientPhone="};
        QTest::newRow("sender クリア") << QStringList{"C_2_Samakata", "T_clear2"}
                                  << QStringList{"senderPostal=", "senderAddress1=", "senderAddress2=", "senderName=",
                                                 "senderCareOf=", "senderCareOfVisible=true", "senderPhone="};
    }
    void printTakesEveryControl()
    {
        guardRow([&] {
            QFETCH(QStringList, clicks);
            QFETCH(QStringList, changed);
            LoadedWindow w;
            for (QLineEdit *edit : w.window->findChildren<QLineEdit *>())
                edit->setText(edit->objectName());
            for (QComboBox *combo : w.window->findChildren<QComboBox *>())
                combo->setEditText(combo->objectName());
            for (const QString &control : clicks)
                w.click(control);
            QStringList expected{
                "offsetXText=Sayuu_Xtxt", "offsetYText=Jyouge_Ytxt", "recipientPostal=T_1_Yuubin",
                "recipientAddress1=T_2_Jyuusyo", "recipientAddress2=T_3_Jyuusyo", "recipientName=T_4_Namae",
                "recipientCareOf=T_5_Samakata", "recipientCareOfVisible=false", "recipientPhone=T_6_Denwaba",
                "senderPostal=iraiYuubin", "senderAddress1=iraiJyuusyo1", "senderAddress2=iraiJyuusyo2",
                "senderName=iraiNamae", "senderCareOf=iraiSamakata", "senderCareOfVisible=false",
                "senderPhone=iraiDenwa", "desiredMonth=KibouGatsuBox", "desiredMonthVisible=false",
                "desiredDay=KibouBiBox", "desiredDayVisible=false", "timeSlot=6", "notification=1",
                "goods1=c_Hinmei", "goods2=c_Hinmei2", "productNumber1=SyouhinBangouBox1",
                "productNumber2=SyouhinBangouBox2", "numericToggleDown=false", "quantity1=SuuryouBox1",
                "quantity2=SuuryouBox2", "unitPrice1=TankaBox1", "unitPrice2=TankaBox2", "amount1=KingakuBox1",
                "amount2=KingakuBox2", "total=GoukeiBox"};
            for (const QString &change : changed) {
                const auto field = std::find_if(expected.begin(), expected.end(), [&](const QString &line) {
                    return line.section(u'=', 0, 0) == change.section(u'=', 0, 0);
                });
                QVERIFY2(field != expected.end(), qPrintable(change));
                *field = change;
            }
            QCOMPARE(fields(w.window->snapshot()), expected);
        });
    }

    // Tab from the first field round to it again visits the tab stops in the
    // order of their tab index, hidden and disabled ones left out; an option
    // group is one stop, at its selected option.
    void tabWalk_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QStringList>("order");
        const QStringList toggles{"C_1_Samakata", "C_2_Samakata", "OnOffBtn", "KibouBtn", "SuujiNyuuryokuBtn"};
        QStringList order{"T_1_Yuubin", "T_2_Jyuusyo", "T_3_Jyuusyo", "T_4_Namae", "C_1_Samakata",
                          "T_6_Denwaba", "iraiYuubin", "iraiJyuusyo1", "iraiJyuusyo2", "iraiNamae",
                          "C_2_Samakata", "iraiDenwa", "O_Tsuuchi1", "c_Hinmei", "c_Hinmei2",
                          "SuujiNyuuryokuBtn", "InsatsuBtn", "zEndBtn", "OnOffBtn", "PriDiaBtn", "O_Haitatsu6"};
        QTest::newRow("optional controls hidden") << QStringList() << order;
        order.insert(order.indexOf("zEndBtn") + 1, "UpDownY");
        order.insert(order.indexOf("zEndBtn") + 1, "UpDownX");
        order.insert(order.indexOf("C_2_Samakata") + 1, "iraiSamakata");
        order.insert(order.indexOf("C_1_Samakata") + 1, "T_5_Samakata");
        QTest::newRow("optional controls shown") << toggles << order;
    }
    void tabWalk()
    {
        guardRow([&] {
            QFETCH(QStringList, clicks);
            QFETCH(QStringList, order);
            LoadedWindow w;
            for (const QString &control : clicks)
                w.click(control);
            w.window->show();
            QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
            w.get("T_1_Yuubin")->setFocus();
            QStringList walked{"T_1_Yuubin"};
            for (int i = 0; i < 60; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                if (QApplication::focusWidget() == w.get("T_1_Yuubin"))
                    break;
                walked << QApplication::focusWidget()->objectName();
            }
            QCOMPARE(walked, order);
        });
    }

    void typingLimitsAndInputMethod_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("limit"); // characters the operator can type; 0: no limit
        QTest::addColumn<bool>("japanese"); // the input method may be used
        QTest::newRow("recipient postal code") << "T_1_Yuubin" << 7 << false;
        QTest::newRow("recipient name") << "T_4_Namae" << 0 << true;
        QTest::newRow("recipient telephone") << "T_6_Denwaba" << 0 << false;
        QTest::newRow("sender postal code") << "iraiYuubin" << 0 << false;
        QTest::newRow("sender address") << "iraiJyuusyo2" << 0 << true;
        QTest::newRow("goods") << "c_Hinmei2" << 0 << true;
        QTest::newRow("quantity") << "SuuryouBox2" << 3 << false;
        QTest::newRow("unit price") << "TankaBox1" << 5 << false;
        QTest::newRow("amount") << "KingakuBox2" << 8 << false;
        QTest::newRow("total") << "GoukeiBox" << 9 << false;
        QTest::newRow("offset") << "Jyouge_Ytxt" << 0 << false;
    }
    void typingLimitsAndInputMethod()
    {
        guardRow([&] {
            QFETCH(QString, field);
            QFETCH(int, limit);
            QFETCH(bool, japanese);
            LoadedWindow w;
            w.click("SuujiNyuuryokuBtn");
            w.click("OnOffBtn");
            w.window->show();
            QWidget *widget = w.get(field);
            auto *edit = qobject_cast<QLineEdit *>(widget);
            if (!edit)
                edit = qobject_cast<QComboBox *>(widget)->lineEdit();
            edit->clear();
            const QString typed = QStringLiteral("12345678901234567890");
            apptest::type(widget, typed);
            QCOMPARE(edit->text(), limit ? typed.left(limit) : typed);
            apptest::commitThroughInputMethod(widget, QStringLiteral("山田"));
            QCOMPARE(edit->text().contains(QStringLiteral("山田")), japanese);
        });
    }

    void togglesShowTheirControls_data()
    {
        QTest::addColumn<QString>("toggle");
        QTest::addColumn<QStringList>("controls");
        QTest::addColumn<QStringList>("captions"); // down, up
        QTest::newRow("数字の入力") << "SuujiNyuuryokuBtn"
                               << QStringList{"SuuryouLb", "TankaLb", "KingakuLb", "SuuryouBox1", "Kakeru1Lb",
                                              "TankaBox1", "Equal1Lb", "KingakuBox1", "SuuryouBox2", "Kakeru2Lb",
                                              "TankaBox2", "Equal2Lb", "KingakuBox2", "GoukeiBox", "GoukeiBtn"}
                               << QStringList{"数字の入力", "数字の入力"};
        QTest::newRow("希望お届け日") << "KibouBtn" << QStringList{"KibouGatsuBox", "KibouBiBox", "TsukiLb", "HiLb"}
                                << QStringList{"希望お届け日", "希望お届け日"};
        QTest::newRow("offset panel") << "OnOffBtn" << QStringList{"CyouseiFrm"} << QStringList{"調整", ""};
    }
    void togglesShowTheirControls()
    {
        guardRow([&] {
            QFETCH(QString, toggle);
            QFETCH(QStringList, controls);
            QFETCH(QStringList, captions);
            LoadedWindow w;
            auto *button = w.get<QAbstractButton>(toggle);
            const auto shown = [&] {
                QStringList names;
                for (const QString &name : controls)
                    if (!w.get(name)->isHidden())
                        names << name;
                return names;
            };
            QCOMPARE(shown(), QStringList());
            for (bool down : {true, false, true}) {
                button->click();
                QCOMPARE(shown(), down ? controls : QStringList());
                QCOMPARE(button->text(), captions[down ? 0 : 1]);
                // Only the desired-date toggle colours its caption: black down, grey up.
                if (toggle == u"KibouBtn")
                    QCOMPARE(button->palette().color(QPalette::ButtonText), down ? QColor(0, 0, 0) : QColor(128, 128, 128));
            }
        });
    }

    void total_data()
    {
        QTest::addColumn<QStringList>("inputs"); // quantity 1, unit price 1, quantity 2, unit price 2
        QTest::addColumn<QStringList>("results"); // amount 1, amount 2, total; or the box a message names
        QTest::newRow("untouched") << QStringList{"0", "0", "0", "0"} << QStringList{"0", "0", "0"};
        QTest::newRow("line 1 only") << QStringList{"2", "1200", "0", "0"} << QStringList{"2400", "0", "2400"};
        QTest::newRow("no rounding to yen") << QStringList{"1.5", "3", "3", "1.1"} << QStringList{"4.5", "3.3", "7.8"};
        QTest::newRow("grouped price") << QStringList{"2", "1,500", "3", "500"} << QStringList{"3000", "1500", "4500"};
        QTest::newRow("longer than the box") << QStringList{"99999", "9999999", "1", "0.25"}
                                             << QStringList{"999989900001", "0.25", "999989900001.25"};
        QTest::newRow("empty quantity 1") << QStringList{"", "100", "1", "1"} << QStringList{"数量1"};
        QTest::newRow("letters in price 2") << QStringList{"2", "100", "1", "abc"} << QStringList{"単価2"};
        QTest::newRow("overflowing amount 2") << QStringList{"2", "100", "10", "1e308"} << QStringList{"金額2"};
    }
    void total()
    {
        guardRow([&] {
            QFETCH(QStringList, inputs);
            QFETCH(QStringList, results);
            LoadedWindow w;
            w.click("SuujiNyuuryokuBtn");
            const QStringList in{"SuuryouBox1", "TankaBox1", "SuuryouBox2", "TankaBox2"};
            const QStringList out{"KingakuBox1", "KingakuBox2", "GoukeiBox"};
            for (int i = 0; i < 4; ++i)
                w.edit(in[i])->setText(inputs[i]);
            w.edit("KingakuBox1")->setText(QStringLiteral("55555")); // typed by hand: replaced, never added
            const bool fails = results.size() == 1;
            auto seen = fails ? apptest::answerNextMessageBox() : nullptr;
            w.click("GoukeiBtn");
            QStringList boxes;
            for (const QString &name : out)
                boxes << w.edit(name)->text();
            if (fails) { // a message naming the box, and no box changed
                QVERIFY2(seen->seen && seen->text.contains(results[0]), qPrintable(seen->text));
                QCOMPARE(seen->icon, QMessageBox::Critical);
                results = QStringList{"55555", "0", "0"};
            }
            QCOMPARE(boxes, results);
        });
    }

    void exitAsksFirst()
    {
        LoadedWindow w;
        w.edit("T_4_Namae")->setText(QStringLiteral("山田"));
        w.window->show();
        auto no = apptest::answerNextMessageBox(QMessageBox::No);
        w.click("zEndBtn");
        QCOMPARE(no->text, QStringLiteral("このプログラムを終了しますか？"));
        QCOMPARE(no->title, QStringLiteral(" ネルファ送り状\u3000\u3000"));
        QCOMPARE(no->icon, QMessageBox::Question);
        QVERIFY(w.window->isVisible());
        QCOMPARE(w.edit("T_4_Namae")->text(), QStringLiteral("山田"));
        // Enter answers the default, はい, and the window goes.
        auto enter = apptest::answerNextMessageBox(QMessageBox::NoButton);
        w.click("zEndBtn");
        QVERIFY(enter->seen && !w.window->isVisible());
    }

    void printerSetupChoosesWhereTheNextPrintGoes()
    {
        LoadedWindow w;
        // What Qt leaves when no printer is installed: PDF output, no file.
        w.window->printer().setOutputFormat(QPrinter::PdfFormat);
        w.window->printer().setOutputFileName(QString());
        auto seen = apptest::answerNextMessageBox();
        w.click("InsatsuBtn");
        QVERIFY2(seen->text.contains(QStringLiteral("「プリンタの設定」")), qPrintable(seen->text));

        const QString pdf = w.dir.filePath("chosen.pdf");
        for (bool accept : {false, true}) {
            apptest::onNextModalDialog([&](QWidget *dialog) {
                auto *printers = dialog->findChild<QComboBox *>(QStringLiteral("printers"));
                printers->setCurrentIndex(printers->count() - 1); // "Print to File (PDF)" stays on offer
                dialog->findChild<QLineEdit *>(QStringLiteral("filename"))->setText(pdf);
                accept ? qobject_cast<QDialog *>(dialog)->accept() : qobject_cast<QDialog *>(dialog)->reject();
            });
            w.click("PriDiaBtn");
            QCOMPARE(w.window->printer().outputFileName(), accept ? pdf : QString());
        }
        QVERIFY(!QFileInfo::exists(pdf)); // the dialog itself prints nothing
        w.click("InsatsuBtn");
        QVERIFY(QFileInfo::exists(pdf));
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
