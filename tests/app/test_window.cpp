// The window: what its buttons and toggles do to what a print takes from
// it, the Tab walk, the total, exit, and a print with no printer.
#include "apptest.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QPrinter>
#include <QtTest>

using apptest::LoadedWindow;
using nerufa::testsupport::guardRow;

namespace {

// What the slip print reads from the window, as texts in the order of the
// snapshot: a shown optional field gets " shown" after its text, the
// options read as the name of the option chosen.
QStringList printed(const nerufa::SlipSnapshot &s)
{
    const auto shown = [](const QString &text, bool visible) { return visible ? text + " shown" : text; };
    return {s.offsetXText, s.offsetYText, s.recipientPostal, s.recipientAddress1, s.recipientAddress2,
            s.recipientName, shown(s.recipientCareOf, s.recipientCareOfVisible), s.recipientPhone, s.senderPostal,
            s.senderAddress1, s.senderAddress2, s.senderName, shown(s.senderCareOf, s.senderCareOfVisible),
            s.senderPhone, shown(s.desiredMonth, s.desiredMonthVisible), shown(s.desiredDay, s.desiredDayVisible),
            "O_Haitatsu" + QString::number(s.timeSlot), "O_Tsuuchi" + QString::number(s.notification), s.goods1,
            s.goods2, s.productNumber1, s.productNumber2, shown("numbers", s.numericToggleDown), s.quantity1,
            s.quantity2, s.unitPrice1, s.unitPrice2, s.amount1, s.amount2, s.total};
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { apptest::setupTestApplication(); }

    // Every text control holds its own name. What a print takes from the
    // window must be each name in the place the slip prints it from.
    void printTakesEveryControl_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QStringList>("changes"); // "what the place held when filled=what it holds now"
        QTest::newRow("as filled") << QStringList() << QStringList();
        QTest::newRow("午前  ９時～１２時頃") << QStringList{"O_Haitatsu1"} << QStringList{"O_Haitatsu6=O_Haitatsu1"};
        QTest::newRow("午後１２時～１４時頃") << QStringList{"O_Haitatsu2"} << QStringList{"O_Haitatsu6=O_Haitatsu2"};
        QTest::newRow("午後１４時～１７時頃") << QStringList{"O_Haitatsu3"} << QStringList{"O_Haitatsu6=O_Haitatsu3"};
        QTest::newRow("夕方１７時～１９時頃") << QStringList{"O_Haitatsu4"} << QStringList{"O_Haitatsu6=O_Haitatsu4"};
        QTest::newRow("夜間１９時～２１時頃") << QStringList{"O_Haitatsu5"} << QStringList{"O_Haitatsu6=O_Haitatsu5"};
        QTest::newRow("希望なし again, 不要") << QStringList{"O_Haitatsu2", "O_Haitatsu6", "O_Tsuuchi2"}
                                        << QStringList{"O_Tsuuchi1=O_Tsuuchi2"};
        QTest::newRow("必要 again") << QStringList{"O_Tsuuchi2", "O_Tsuuchi1"} << QStringList();
        QTest::newRow("recipient care-of") << QStringList{"C_1_Samakata"} << QStringList{"T_5_Samakata=T_5_Samakata shown"};
        QTest::newRow("sender care-of") << QStringList{"C_2_Samakata"} << QStringList{"iraiSamakata=iraiSamakata shown"};
        QTest::newRow("care-of ticked, unticked") << QStringList{"C_1_Samakata", "C_1_Samakata"} << QStringList();
        QTest::newRow("desired date") << QStringList{"KibouBtn"}
                                      << QStringList{"KibouGatsuBox=KibouGatsuBox shown", "KibouBiBox=KibouBiBox shown"};
        QTest::newRow("numbers") << QStringList{"SuujiNyuuryokuBtn"} << QStringList{"numbers=numbers shown"};
        QTest::newRow("入替") << QStringList{"z_Henkan"}
                            << QStringList{"T_1_Yuubin=iraiYuubin", "T_2_Jyuusyo=iraiJyuusyo1", "T_3_Jyuusyo=iraiJyuusyo2",
                                           "T_4_Namae=iraiNamae", "T_5_Samakata=iraiSamakata", "T_6_Denwaba=iraiDenwa",
                                           "iraiYuubin=T_1_Yuubin", "iraiJyuusyo1=T_2_Jyuusyo", "iraiJyuusyo2=T_3_Jyuusyo",
                                           "iraiNamae=T_4_Namae", "iraiSamakata=T_5_Samakata", "iraiDenwa=T_6_Denwaba"};
        QTest::newRow("入替 twice") << QStringList{"z_Henkan", "z_Henkan"} << QStringList();
        QTest::newRow("recipient クリア") << QStringList{"T_clear1"}
                                     << QStringList{"T_1_Yuubin=", "T_2_Jyuusyo=", "T_3_Jyuusyo=", "T_4_Namae=",
                                                    "T_5_Samakata=", "T_6_Denwaba="};
        QTest::newRow("sender クリア") << QStringList{"C_2_Samakata", "T_clear2"}
                                  << QStringList{"iraiYuubin=", "iraiJyuusyo1=", "iraiJyuusyo2=", "iraiNamae=",
                                                 "iraiSamakata= shown", "iraiDenwa="};
    }
    void printTakesEveryControl()
    {
        guardRow([&] {
            QFETCH(QStringList, clicks);
            QFETCH(QStringList, changes);
            LoadedWindow w;
            for (QLineEdit *edit : w.window->findChildren<QLineEdit *>())
                edit->setText(edit->objectName());
            for (QComboBox *combo : w.window->findChildren<QComboBox *>())
                combo->setEditText(combo->objectName());
            for (const QString &control : clicks)
                w.click(control);
            QStringList expected{
                "Sayuu_Xtxt", "Jyouge_Ytxt", "T_1_Yuubin", "T_2_Jyuusyo", "T_3_Jyuusyo", "T_4_Namae", "T_5_Samakata",
                "T_6_Denwaba", "iraiYuubin", "iraiJyuusyo1", "iraiJyuusyo2", "iraiNamae", "iraiSamakata", "iraiDenwa",
                "KibouGatsuBox", "KibouBiBox", "O_Haitatsu6", "O_Tsuuchi1", "c_Hinmei", "c_Hinmei2",
                "SyouhinBangouBox1", "SyouhinBangouBox2", "numbers", "SuuryouBox1", "SuuryouBox2", "TankaBox1",
                "TankaBox2", "KingakuBox1", "KingakuBox2", "GoukeiBox"};
            const QStringList filled = expected;
            for (const QString &change : changes) {
                const qsizetype at = filled.indexOf(change.section(u'=', 0, 0));
                QVERIFY2(at >= 0, qPrintable(change));
                expected[at] = change.section(u'=', 1);
            }
            QCOMPARE(printed(w.window->snapshot()), expected);
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
            const QStringList boxes{"SuuryouBox1", "TankaBox1", "SuuryouBox2", "TankaBox2", "KingakuBox1", "KingakuBox2", "GoukeiBox"};
            // The amount typed by hand is replaced, never added.
            const QStringList before = inputs + QStringList{"55555", "0", "0"};
            for (int i = 0; i < boxes.size(); ++i)
                w.edit(boxes[i])->setText(before[i]);
            const bool fails = results.size() == 1;
            auto seen = fails ? apptest::answerNextMessageBox() : nullptr;
            w.click("GoukeiBtn");
            QStringList after;
            for (const QString &box : boxes)
                after << w.edit(box)->text();
            // A failure names the box in a message and leaves every box as it was.
            QVERIFY2(!fails || (seen->icon == QMessageBox::Critical && seen->text.contains(results[0])), qPrintable(seen ? seen->text : ""));
            QCOMPARE(after, fails ? before : inputs + results);
        });
    }

    void exitAsksFirst()
    {
        LoadedWindow w;
        w.window->show();
        auto no = apptest::answerNextMessageBox(QMessageBox::No);
        w.click("zEndBtn");
        QCOMPARE(no->title + no->text, QStringLiteral(" ネルファ送り状\u3000\u3000このプログラムを終了しますか？"));
        QVERIFY(no->icon == QMessageBox::Question && w.window->isVisible());
        // Enter answers the default, はい, and the window goes.
        auto enter = apptest::answerNextMessageBox(QMessageBox::NoButton);
        w.click("zEndBtn");
        QVERIFY(enter->seen && !w.window->isVisible());
    }

    void printWithoutAPrinterSaysWhereToChooseOne()
    {
        LoadedWindow w;
        // What the window has when no printer is installed.
        w.window->setPrinterChoice({});
        auto seen = apptest::answerNextMessageBox();
        w.click("InsatsuBtn");
        QVERIFY2(seen->text.contains(QStringLiteral("「プリンタの設定」")), qPrintable(seen->text));
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
