// The window: what its buttons and toggles do to what a print takes from
// it, the Tab walk, the total, exit, a print with no printer or no Japanese
// font, and the typing limit of a text box, whichever way text gets in.
#include "apptest.h"
#include "fields.h"
#include "sliplineedit.h"
#include "testsupport.h"

#include <QClipboard>
#include <QMimeData>
#include <QtTest>

using apptest::LoadedWindow;
using nerufa::testsupport::guardRow;

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
        for (const QString slot : {"1", "2", "3", "4", "5"}) // 午前  ９時～１２時頃 … 夜間１９時～２１時頃
            QTest::addRow("time slot %s", qPrintable(slot)) << QStringList{"O_Haitatsu" + slot} << QStringList{"O_Haitatsu6=O_Haitatsu" + slot};
        QTest::newRow("希望なし again, 不要") << QStringList{"O_Haitatsu2", "O_Haitatsu6", "O_Tsuuchi2"} << QStringList{"O_Tsuuchi1=O_Tsuuchi2"};
        QTest::newRow("必要 again") << QStringList{"O_Tsuuchi2", "O_Tsuuchi1"} << QStringList();
        QTest::newRow("recipient care-of") << QStringList{"C_1_Samakata"} << QStringList{"T_5_Samakata=T_5_Samakata shown"};
        QTest::newRow("sender care-of") << QStringList{"C_2_Samakata"} << QStringList{"iraiSamakata=iraiSamakata shown"};
        QTest::newRow("care-of ticked, unticked") << QStringList{"C_1_Samakata", "C_1_Samakata"} << QStringList();
        QTest::newRow("desired date") << QStringList{"KibouBtn"} << QStringList{"KibouGatsuBox=KibouGatsuBox shown", "KibouBiBox=KibouBiBox shown"};
        QTest::newRow("numbers") << QStringList{"SuujiNyuuryokuBtn"} << QStringList{"numbers=numbers shown"};
        QTest::newRow("入替") << QStringList{"z_Henkan"}
                            << QStringList{"T_1_Yuubin=iraiYuubin", "T_2_Jyuusyo=iraiJyuusyo1", "T_3_Jyuusyo=iraiJyuusyo2",
                                           "T_4_Namae=iraiNamae", "T_5_Samakata=iraiSamakata", "T_6_Denwaba=iraiDenwa",
                                           "iraiYuubin=T_1_Yuubin", "iraiJyuusyo1=T_2_Jyuusyo", "iraiJyuusyo2=T_3_Jyuusyo",
                                           "iraiNamae=T_4_Namae", "iraiSamakata=T_5_Samakata", "iraiDenwa=T_6_Denwaba"};
        QTest::newRow("入替 twice") << QStringList{"z_Henkan", "z_Henkan"} << QStringList();
        QTest::newRow("recipient クリア") << QStringList{"T_clear1"} << QStringList{"T_1_Yuubin=", "T_2_Jyuusyo=", "T_3_Jyuusyo=", "T_4_Namae=", "T_5_Samakata=", "T_6_Denwaba="};
        QTest::newRow("sender クリア") << QStringList{"C_2_Samakata", "T_clear2"} << QStringList{"iraiYuubin=", "iraiJyuusyo1=",
                                          "iraiJyuusyo2=", "iraiNamae=", "iraiSamakata= shown", "iraiDenwa="};
    }
    void printTakesEveryControl()
    {
        guardRow([&] {
            QFETCH(QStringList, clicks);
            QFETCH(QStringList, changes);
            LoadedWindow w;
            for (QLineEdit *edit : w.window->findChildren<QLineEdit *>()) // a combo box's edit is named after the box
                edit->setText(edit->objectName().isEmpty() ? edit->parent()->objectName() : edit->objectName());
            for (const QString &control : clicks)
                w.click(control);
            QStringList expected{"Sayuu_Xtxt", "Jyouge_Ytxt", "T_1_Yuubin", "T_2_Jyuusyo", "T_3_Jyuusyo", "T_4_Namae", "T_5_Samakata",
                                 "T_6_Denwaba", "iraiYuubin", "iraiJyuusyo1", "iraiJyuusyo2", "iraiNamae", "iraiSamakata", "iraiDenwa",
                                 "KibouGatsuBox", "KibouBiBox", "O_Haitatsu6", "O_Tsuuchi1", "c_Hinmei", "c_Hinmei2", "SyouhinBangouBox1",
                                 "SyouhinBangouBox2", "numbers", "SuuryouBox1", "SuuryouBox2", "TankaBox1", "TankaBox2", "KingakuBox1",
                                 "KingakuBox2", "GoukeiBox"};
            const QStringList filled = expected;
            for (const QString &change : changes) {
                const qsizetype at = filled.indexOf(change.section(u'=', 0, 0));
                QVERIFY2(at >= 0, qPrintable(change));
                expected[at] = change.section(u'=', 1);
            }
            // What the slip print reads, in the order of the snapshot: a shown
            // optional field gets " shown" after its text, an option group
            // reads as the name of the option chosen.
            const nerufa::SlipSnapshot s = w.window->snapshot();
            const auto shown = [](const QString &text, bool visible) { return visible ? text + " shown" : text; };
            QCOMPARE((QStringList{s.offsetXText, s.offsetYText, s.recipientPostal, s.recipientAddress1, s.recipientAddress2, s.recipientName,
                                  shown(s.recipientCareOf, s.recipientCareOfVisible), s.recipientPhone, s.senderPostal, s.senderAddress1,
                                  s.senderAddress2, s.senderName, shown(s.senderCareOf, s.senderCareOfVisible), s.senderPhone,
                                  shown(s.desiredMonth, s.desiredMonthVisible), shown(s.desiredDay, s.desiredDayVisible),
                                  "O_Haitatsu" + QString::number(s.timeSlot), "O_Tsuuchi" + QString::number(s.notification),
                                  s.goods1, s.goods2, s.productNumber1, s.productNumber2, shown("numbers", s.numericToggleDown),
                                  s.quantity1, s.quantity2, s.unitPrice1, s.unitPrice2, s.amount1, s.amount2, s.total}), expected);
        });
    }

    // Tab from the first field round to it again visits the tab stops in the
    // order of their tab index, hidden and disabled ones left out; an option
    // group is one stop, at its selected option.
    void tabWalk_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QStringList>("order");
        QStringList order{"T_1_Yuubin", "T_2_Jyuusyo", "T_3_Jyuusyo", "T_4_Namae", "C_1_Samakata", "T_6_Denwaba",
                          "iraiYuubin", "iraiJyuusyo1", "iraiJyuusyo2", "iraiNamae", "C_2_Samakata", "iraiDenwa",
                          "O_Tsuuchi1", "c_Hinmei", "c_Hinmei2", "SuujiNyuuryokuBtn", "InsatsuBtn", "zEndBtn", "OnOffBtn", "PriDiaBtn", "O_Haitatsu6"};
        QTest::newRow("optional controls hidden") << QStringList() << order;
        order.insert(order.indexOf("zEndBtn") + 1, "UpDownY");
        order.insert(order.indexOf("zEndBtn") + 1, "UpDownX");
        order.insert(order.indexOf("C_2_Samakata") + 1, "iraiSamakata");
        order.insert(order.indexOf("C_1_Samakata") + 1, "T_5_Samakata");
        QTest::newRow("optional controls shown") << QStringList{"C_1_Samakata", "C_2_Samakata", "OnOffBtn", "KibouBtn", "SuujiNyuuryokuBtn"} << order;
    }
    void tabWalk()
    {
        guardRow([&] {
            QFETCH(QStringList, clicks);
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
            QTEST(walked, "order");
        });
    }

    // How the numbers read and show is the number conversions' own suite;
    // here each box feeds and shows its own value.
    void total_data()
    {
        QTest::addColumn<QStringList>("inputs"); // quantity 1, unit price 1, quantity 2, unit price 2
        QTest::addColumn<QStringList>("results"); // amount 1, amount 2, total; or the box a message names
        QTest::newRow("no rounding to yen") << QStringList{"1.5", "3", "3", "1.1"} << QStringList{"4.5", "3.3", "7.8"};
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
            const QStringList before = inputs + QStringList{"55555", "0", "0"}; // a typed amount is replaced, never added
            for (int i = 0; i < boxes.size(); ++i)
                w.edit(boxes[i])->setText(before[i]);
            auto seen = results.size() == 1 ? apptest::answerNextMessageBox() : nullptr;
            w.click("GoukeiBtn");
            QStringList after;
            for (const QString &box : boxes)
                after << w.edit(box)->text();
            // A failure names the box in a message and leaves every box as it was.
            QVERIFY2(!seen || (seen->icon == QMessageBox::Critical && seen->text.contains(results[0])), qPrintable(seen ? seen->text : ""));
            QCOMPARE(after, seen ? before : inputs + results);
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
        auto enter = apptest::answerNextMessageBox(QMessageBox::NoButton); // Enter answers the default, はい
        w.click("zEndBtn");
        QVERIFY(enter->seen && !w.window->isVisible());
    }

    // Runs as it is (no printer installed) and once more, as the test
    // test_window_no_fonts, under a font configuration with no fonts at all.
    void printRefusedSaysWhy()
    {
        const bool noFonts = qEnvironmentVariable("FONTCONFIG_FILE").endsWith("no-fonts.conf");
        LoadedWindow w;
        const QString pdf = w.dir.filePath("slip.pdf");
        w.window->setPrinterChoice(noFonts ? nerufa::PrinterChoice{nerufa::PrinterChoice::Kind::PdfFile, pdf, {}, {}} : nerufa::PrinterChoice{});
        w.edit("T_4_Namae")->setText("山田");
        auto seen = apptest::answerNextMessageBox();
        w.click("InsatsuBtn");
        QVERIFY2(noFonts ? seen->text.startsWith("印刷できませんでした。\n") && seen->text.contains("日本語のフォント")
                         : seen->text.contains("「プリンタの設定」"), qPrintable(seen->text));
        QVERIFY(!QFileInfo::exists(pdf));
    }

    // The form and the field table describe the same fields: every entry box
    // of the form is in the table and every field has its control, option
    // captions included. On the real window, twelve typed characters leave
    // each box's limit, and only the boxes for digits and signs keep the
    // input method off.
    void formFollowsTheFieldTable()
    {
        LoadedWindow w;
        QStringList boxes, fields;
        for (QWidget *box : w.window->findChildren<QWidget *>())
            if ((qobject_cast<SlipLineEdit *>(box) && !box->objectName().isEmpty()) || qobject_cast<QComboBox *>(box))
                boxes << box->objectName();
        for (const nerufa::slip::Field &field : nerufa::slip::fields()) {
            if (field.kind != nerufa::slip::FieldKind::Choice) {
                fields << field.name;
                continue;
            }
            for (const QString &option : nerufa::slip::optionNames(field))
                fields << option + "=" + w.get<QAbstractButton>(option)->text();
        }
        boxes.sort();
        QCOMPARE(fields.filter("=").join(' '), "O_Haitatsu1=午前  ９時～１２時頃 O_Haitatsu2=午後１２時～１４時頃 O_Haitatsu3=午後１４時～１７時頃 "
                                              "O_Haitatsu4=夕方１７時～１９時頃 O_Haitatsu5=夜間１９時～２１時頃 O_Haitatsu6=希望なし "
                                              "O_Tsuuchi1=必要 O_Tsuuchi2=不要");
        fields.removeIf([](const QString &f) { return f.contains('='); });
        fields.sort();
        QCOMPARE(boxes, fields);

        const QStringList direct{"T_1_Yuubin", "T_6_Denwaba", "iraiYuubin", "iraiDenwa", "SuuryouBox1", "SuuryouBox2",
                                 "TankaBox1", "TankaBox2", "KingakuBox1", "KingakuBox2", "GoukeiBox", "Sayuu_Xtxt", "Jyouge_Ytxt"};
        const QHash<QString, int> limits{{"T_1_Yuubin", 7}, {"SuuryouBox1", 3}, {"SuuryouBox2", 3}, {"TankaBox1", 5},
                                         {"TankaBox2", 5}, {"KingakuBox1", 8}, {"KingakuBox2", 8}, {"GoukeiBox", 9}};
        for (const QString &name : boxes) {
            auto *combo = qobject_cast<QComboBox *>(w.get(name));
            QLineEdit *edit = combo ? combo->lineEdit() : w.edit(name);
            edit->clear();
            QTest::keyClicks(edit, "123456789012");
            QCOMPARE(QString("%1 %2 %3").arg(name).arg(edit->text().size()).arg(edit->inputMethodQuery(Qt::ImEnabled).toBool()),
                     QString("%1 %2 %3").arg(name).arg(limits.value(name, 12)).arg(!direct.contains(name)));
        }
    }

    // Counted in characters, cut only from the inserted part, never halving one.
    void typingLimit_data()
    {
        QTest::addColumn<QString>("before"); // set by the program; caret at '|'
        QTest::addColumn<char>("how");       // k: keys, p: paste (as the context menu does), d: drop, i: input method
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("after");
        const QString e = QStringLiteral("😀");
        QTest::newRow("full, type in the middle") << "123|4567" << 'k' << "9" << "1234567";
        QTest::newRow("emoji count as one") << "|" << 'k' << e.repeated(8) << e.repeated(7);
        QTest::newRow("paste 123456😀") << "|" << 'p' << "123456" + e << "123456" + e;
        QTest::newRow("paste past the limit, empty box") << "|" << 'p' << "100-0001" << "100-000";
        QTest::newRow("paste never halves one") << "12345|" << 'p' << "a" + e + e << "12345a" + e;
        QTest::newRow("drop onto a full box") << "1234567|" << 'd' << "89" << "1234567";
        QTest::newRow("drop into room for two") << "12345|" << 'd' << "abc" << "12345ab";
        QTest::newRow("drop that fits") << "12345|" << 'd' << "ab" << "12345ab";
        QTest::newRow("input method commit") << "12345|" << 'i' << "a" + e + "b" << "12345a" + e;
        QTest::newRow("program text past the limit") << e.repeated(9) + "|" << 'k' << "1" << e.repeated(9);
    }
    void typingLimit()
    {
        QFETCH(QString, before);
        QFETCH(char, how);
        QFETCH(QString, input);
        SlipLineEdit edit;
        edit.setTypingLimit(7); // the recipient postal code's
        edit.setText(QString(before).remove(u'|'));
        edit.setCursorPosition(int(before.indexOf(u'|')));
        if (how == 'k') {
            for (const char32_t c : input.toUcs4()) {
                QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUcs4(&c, 1));
                QApplication::sendEvent(&edit, &key);
            }
        } else if (how == 'i') {
            QInputMethodEvent commit;
            commit.setCommitString(input);
            QApplication::sendEvent(&edit, &commit);
        } else if (how == 'p') {
            QApplication::clipboard()->setText(input);
            edit.paste();
        } else {
            QMimeData data;
            data.setText(input);
            const QPoint at(edit.width() - 2, 5);
            QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::ShiftModifier);
            QApplication::sendEvent(&edit, &enter);
            QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::ShiftModifier);
            QApplication::sendEvent(&edit, &drop);
            // Moved only if all of it landed; else the source keeps its text.
            QCOMPARE(drop.dropAction(), edit.text().endsWith(input) ? Qt::MoveAction : Qt::CopyAction);
        }
        QTEST(edit.text(), "after");
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
