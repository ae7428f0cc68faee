// The window as laid out: controls, tab walk, typing limits, input-method
// modes, option groups, combo boxes and the error guard.
#include "apptest.h"
#include "sliplineedit.h"
#include "updown.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using apptest::LoadedWindow;

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { apptest::setupTestApplication(); }

    void windowIsFixedAndTitled()
    {
        LoadedWindow w;
        QCOMPARE(w.window->objectName(), QStringLiteral("Form1"));
        QCOMPARE(w.window->windowTitle(), QStringLiteral("ネルファ送り状印刷"));
        QCOMPARE(w.window->size(), QSize(725, 506));
        QCOMPARE(w.window->minimumSize(), w.window->maximumSize());
        QVERIFY(!w.window->windowIcon().isNull());
    }

    // Every control sits in its frame under its name; a few positions are
    // checked against the twip tables (twips / 15).
    void controlsSitInTheirFrames_data()
    {
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QStringList>("controls");
        QTest::newRow("recipient") << "Frame1_0" << QStringList{
            "T_1_Yuubin", "T_2_Jyuusyo", "T_3_Jyuusyo", "T_4_Namae", "C_1_Samakata", "T_5_Samakata",
            "T_6_Denwaba", "T_clear1", "Label1", "Label2", "Label3", "Label4", "Label6"};
        QTest::newRow("sender") << "Frame1_1" << QStringList{
            "C_Goirainushi", "iraiYuubin", "iraiJyuusyo1", "iraiJyuusyo2", "iraiNamae", "C_2_Samakata",
            "iraiSamakata", "iraiDenwa", "T_clear2", "z_Henkan", "Label10", "Label9", "Label8", "Label7", "Label5"};
        QTest::newRow("date") << "Frame6" << QStringList{"KibouBtn", "KibouGatsuBox", "TsukiLb", "KibouBiBox", "HiLb"};
        QTest::newRow("time slot") << "Frame2" << QStringList{"O_Haitatsu1", "O_Haitatsu2", "O_Haitatsu3",
                                                              "O_Haitatsu4", "O_Haitatsu5", "O_Haitatsu6"};
        QTest::newRow("notification") << "Frame3" << QStringList{"O_Tsuuchi1", "O_Tsuuchi2"};
        QTest::newRow("goods") << "Frame4" << QStringList{
            "HinmeiLb", "c_Hinmei", "c_Hinmei2", "SyouhinLb", "SyouhinBangouBox1", "SyouhinBangouBox2",
            "SuujiNyuuryokuBtn", "SuuryouLb", "TankaLb", "KingakuLb", "SuuryouBox1", "Kakeru1Lb", "TankaBox1",
            "Equal1Lb", "KingakuBox1", "SuuryouBox2", "Kakeru2Lb", "TankaBox2", "Equal2Lb", "KingakuBox2",
            "GoukeiBox", "GoukeiBtn"};
        QTest::newRow("offsets") << "CyouseiFrm" << QStringList{"SayuuLabel", "Sayuu_Xtxt", "UpDownX", "JyougeLabel",
                                                                "Jyouge_Ytxt", "UpDownY", "HozonBtn", "IchiBtn"};
        QTest::newRow("buttons") << "BtnFrm" << QStringList{"OnOffBtn", "PriDiaBtn", "InsatsuBtn", "zEndBtn"};
        QTest::newRow("printer dialog frame") << "Frame5" << QStringList{"PurintaLb", "CsvBtn"};
    }
    void controlsSitInTheirFrames()
    {
        QFETCH(QString, frame);
        QFETCH(QStringList, controls);
        LoadedWindow w;
        auto *box = w.get<QGroupBox>(frame.toLatin1().constData());
        QCOMPARE(box->parentWidget(), w.window.get());
        QStringList children;
        for (QWidget *child : box->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (!child->objectName().isEmpty() && !child->objectName().startsWith(QLatin1String("qt_")))
                children << child->objectName();
        children.sort();
        controls.sort();
        QCOMPARE(children, controls);
    }

    void positionsFollowTheTwipTables()
    {
        LoadedWindow w;
        QCOMPARE(w.get("Frame1_0")->geometry(), QRect(8, 14, 409, 217));
        QCOMPARE(w.get("Frame1_1")->geometry(), QRect(8, 236, 409, 213));
        QCOMPARE(w.get("BtnFrm")->geometry(), QRect(424, 448, 289, 55));
        QCOMPARE(w.get("T_1_Yuubin")->geometry(), QRect(88, 24, 81, 18));
        QCOMPARE(w.get("iraiSamakata")->geometry(), QRect(88, 152, 229, 20));
        QCOMPARE(w.get("O_Haitatsu4")->geometry(), QRect(136, 42, 129, 12));
        QCOMPARE(w.get("UpDownY")->geometry(), QRect(114, 42, 16, 37));
        QCOMPARE(w.get("GoukeiBtn")->geometry(), QRect(168, 146, 113, 25));
        QCOMPARE(w.get("InsatsuBtn")->geometry(), QRect(108, 10, 109, 39));
    }

    void exactCaptions()
    {
        LoadedWindow w;
        QCOMPARE(w.get<QGroupBox>("Frame1_0")->title(),
                 QString(29, QLatin1Char(' ')) + QStringLiteral("お届け先") + QString(25, QLatin1Char(' ')));
        QCOMPARE(w.get<QGroupBox>("Frame1_1")->title(), QString(98, QLatin1Char(' ')));
        QCOMPARE(w.get<QCheckBox>("C_1_Samakata")->text(), QStringLiteral("  様方："));
        QCOMPARE(w.get<QLabel>("Label3")->text(), QString(7, QChar(0x3000)) + QStringLiteral("："));
        QCOMPARE(w.get<QRadioButton>("O_Haitatsu1")->text(), QStringLiteral("午前  ９時\uFF5E１２時頃"));
        QCOMPARE(w.get<QLabel>("Kakeru1Lb")->text(), QStringLiteral("\u00D7"));
        QCOMPARE(w.get<QPushButton>("IchiBtn")->text(), QStringLiteral("○印の印刷"));
        QCOMPARE(w.get<QLabel>("HinmeiLb")->text(), QStringLiteral("品\u3000\u3000名"));
    }

    void fontsAndColours()
    {
        LoadedWindow w;
        // The Japanese face names resolve to the installed proportional Gothic.
        // (fontconfig may give the face's Japanese name under a Japanese locale)
        QCOMPARE(QFontInfo(w.get("T_4_Namae")->font()).family(), QFontInfo(QFont("IPAPGothic")).family());
        QVERIFY(QFontInfo(w.get("T_4_Namae")->font()).family() != QFontInfo(QFont("IPAGothic")).family());
        auto *sender = w.get<QCheckBox>("C_Goirainushi");
        QVERIFY(!sender->isEnabled());
        QCOMPARE(sender->palette().color(QPalette::Disabled, QPalette::WindowText), QColor(0, 192, 0));
        QCOMPARE(sender->font().pointSize(), 12);
        QVERIFY(sender->font().bold());
        QCOMPARE(w.get("Frame1_0")->property("captionColor").value<QColor>(), QColor(0, 0, 255));
        // The recipient frame's own caption font does not reach its fields.
        QVERIFY(!w.get("T_1_Yuubin")->font().bold());
        QCOMPARE(w.get("T_1_Yuubin")->font().pointSize(), 8);
        for (const char *toggle : {"KibouBtn", "SuujiNyuuryokuBtn", "OnOffBtn"}) {
            auto *button = w.get<QPushButton>(toggle);
            QVERIFY(button->isCheckable());
            QVERIFY(!button->isChecked());
            QCOMPARE(button->font().pointSize(), 9);
        }
    }

    void tabWalkFromTheName()
    {
        LoadedWindow w;
        w.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        const auto walk = [&](int steps) {
            QStringList seen;
            w.get("T_4_Namae")->setFocus();
            for (int i = 0; i < steps; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                seen << QApplication::focusWidget()->objectName();
            }
            return seen;
        };
        QCOMPARE(walk(3), (QStringList{"C_1_Samakata", "T_6_Denwaba", "iraiYuubin"}));
        w.get<QCheckBox>("C_1_Samakata")->click();
        QCOMPARE(walk(3), (QStringList{"C_1_Samakata", "T_5_Samakata", "T_6_Denwaba"}));

        // A whole round never reaches the click-only controls.
        w.get<QPushButton>("SuujiNyuuryokuBtn")->click();
        w.get<QPushButton>("KibouBtn")->click();
        w.get<QPushButton>("OnOffBtn")->click();
        const QStringList round = walk(60);
        for (const char *never : {"T_clear1", "T_clear2", "z_Henkan", "SyouhinBangouBox1", "SyouhinBangouBox2",
                                  "SuuryouBox1", "TankaBox1", "KingakuBox1", "GoukeiBox", "GoukeiBtn",
                                  "KibouGatsuBox", "KibouBiBox", "KibouBtn", "Sayuu_Xtxt", "HozonBtn", "IchiBtn"})
            QVERIFY2(!round.contains(QLatin1String(never)), never);
        QVERIFY(round.contains(QLatin1String("InsatsuBtn")));
        QVERIFY(round.contains(QLatin1String("c_Hinmei2")));
        QVERIFY(round.contains(QLatin1String("UpDownX")));
    }

    void typingLimits_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("limit");
        QTest::newRow("postal code") << "T_1_Yuubin" << 7;
        QTest::newRow("quantity 1") << "SuuryouBox1" << 3;
        QTest::newRow("quantity 2") << "SuuryouBox2" << 3;
        QTest::newRow("unit price 1") << "TankaBox1" << 5;
        QTest::newRow("unit price 2") << "TankaBox2" << 5;
        QTest::newRow("amount 1") << "KingakuBox1" << 8;
        QTest::newRow("amount 2") << "KingakuBox2" << 8;
        QTest::newRow("total") << "GoukeiBox" << 9;
        QTest::newRow("X offset") << "Sayuu_Xtxt" << 0;
        QTest::newRow("Y offset") << "Jyouge_Ytxt" << 0;
        QTest::newRow("telephone") << "T_6_Denwaba" << 0;
        QTest::newRow("product number") << "SyouhinBangouBox1" << 0;
    }
    void typingLimits()
    {
        QFETCH(QString, field);
        QFETCH(int, limit);
        LoadedWindow w;
        w.get<QPushButton>("SuujiNyuuryokuBtn")->click();
        w.get<QPushButton>("OnOffBtn")->click();
        w.window->show();
        QLineEdit *edit = w.edit(field.toLatin1().constData());
        edit->clear();
        const QString typed = QStringLiteral("12345678901234567890");
        apptest::type(edit, typed);
        QCOMPARE(edit->text(), limit ? typed.left(limit) : typed);

        // The limit binds typing only: the program may set a longer text,
        // and the operator can still shorten it.
        edit->setText(QStringLiteral("123456789012"));
        QCOMPARE(edit->text(), QStringLiteral("123456789012"));
        edit->setCursorPosition(int(edit->text().size()));
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), QStringLiteral("12345678901"));
        if (limit) {
            apptest::type(edit, QStringLiteral("9"));
            QCOMPARE(edit->text(), QStringLiteral("12345678901"));
        }
    }

    void inputMethodModes_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("imeOn");
        QTest::newRow("recipient postal") << "T_1_Yuubin" << false;
        QTest::newRow("recipient phone") << "T_6_Denwaba" << false;
        QTest::newRow("sender postal") << "iraiYuubin" << false;
        QTest::newRow("sender phone") << "iraiDenwa" << false;
        QTest::newRow("quantity") << "SuuryouBox1" << false;
        QTest::newRow("offset") << "Sayuu_Xtxt" << false;
        QTest::newRow("recipient name") << "T_4_Namae" << true;
        QTest::newRow("recipient care-of") << "T_5_Samakata" << true;
        QTest::newRow("sender address") << "iraiJyuusyo1" << true;
        QTest::newRow("goods") << "c_Hinmei" << true;
    }
    void inputMethodModes()
    {
        QFETCH(QString, field);
        QFETCH(bool, imeOn);
        LoadedWindow w;
        QWidget *widget = w.get(field.toLatin1().constData());
        QCOMPARE(widget->inputMethodQuery(Qt::ImEnabled).toBool(), imeOn);
        apptest::commitThroughInputMethod(widget, QStringLiteral("山田"));
        const QString text = qobject_cast<QComboBox *>(widget) ? qobject_cast<QComboBox *>(widget)->currentText()
                                                               : qobject_cast<QLineEdit *>(widget)->text();
        QCOMPARE(text.contains(QStringLiteral("山田")), imeOn);
    }

    void oneOptionPerGroup()
    {
        LoadedWindow w;
        const auto checkedIn = [&](const char *frame) {
            QStringList names;
            for (auto *option : w.get(frame)->findChildren<QRadioButton *>())
                if (option->isChecked())
                    names << option->objectName();
            return names;
        };
        QCOMPARE(checkedIn("Frame2"), QStringList{"O_Haitatsu6"});
        QCOMPARE(checkedIn("Frame3"), QStringList{"O_Tsuuchi1"});
        QTest::mouseClick(w.get("O_Haitatsu2"), Qt::LeftButton);
        QTest::mouseClick(w.get("O_Tsuuchi2"), Qt::LeftButton);
        QCOMPARE(checkedIn("Frame2"), QStringList{"O_Haitatsu2"});
        QCOMPARE(checkedIn("Frame3"), QStringList{"O_Tsuuchi2"});
        // Clicking the selected option again does not clear it.
        QTest::mouseClick(w.get("O_Tsuuchi2"), Qt::LeftButton);
        QCOMPARE(checkedIn("Frame3"), QStringList{"O_Tsuuchi2"});
    }

    void combosTakeAnyText()
    {
        LoadedWindow w;
        QComboBox *goods = w.combo("c_Hinmei");
        const int items = goods->count();
        apptest::commitThroughInputMethod(goods, QStringLiteral("陶磁器"));
        QTest::keyClick(goods, Qt::Key_Return);
        QCOMPARE(goods->currentText(), QStringLiteral("陶磁器"));
        QCOMPARE(goods->count(), items); // typed text never joins the list
        QComboBox *postal = w.combo("iraiYuubin");
        apptest::type(postal, QStringLiteral("123-4567"));
        QCOMPARE(postal->currentText(), QStringLiteral("123-4567"));
        QCOMPARE(postal->count(), 0);
    }

    void errorGuardShowsAMessageAndKeepsTheFields()
    {
        LoadedWindow w;
        w.get<QPushButton>("SuujiNyuuryokuBtn")->click();
        w.edit("SuuryouBox1")->setText(QStringLiteral("2"));
        w.edit("TankaBox1")->setText(QStringLiteral("abc"));
        w.edit("KingakuBox1")->setText(QStringLiteral("77"));
        w.edit("T_4_Namae")->setText(QStringLiteral("山田"));
        auto seen = apptest::answerNextMessageBox(QMessageBox::Ok);
        w.get<QPushButton>("GoukeiBtn")->click();
        QVERIFY(seen->seen);
        QCOMPARE(seen->title, QStringLiteral("ネルファ送り状印刷"));
        QCOMPARE(seen->icon, QMessageBox::Critical);
        QVERIFY(seen->text.contains(QStringLiteral("単価1")));
        QCOMPARE(w.edit("KingakuBox1")->text(), QStringLiteral("77"));
        QCOMPARE(w.edit("T_4_Namae")->text(), QStringLiteral("山田"));
        QVERIFY(w.window->isEnabled());
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
