// What a new operator meets: offset files made with the neutral values,
// every text whole in the face this desktop has, Enter pressing the focused
// button, and spinners that show the focus.
#include "apptest.h"
#include "offsetfiles.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

class TestFirstUse : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { apptest::setupTestApplication(); }

    void offsetsStartNeutral()
    {
        namespace off = nerufa::offsets;
        apptest::LoadedWindow w;
        const auto paths = off::OffsetPaths::in(w.dir.path());
        for (auto [path, bytes] : {std::pair{paths.x, "30\r\n"}, {paths.y, "70\r\n"}}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), QByteArray(bytes));
        }
        // A file that cannot be created gives the neutral value too; an empty
        // one that is there still reads as 0.
        const auto uncreatable = off::loadOffsets(off::OffsetPaths::in(w.dir.filePath("gone")));
        QCOMPARE(QPoint(uncreatable.x, uncreatable.y), QPoint(30, 70));
        QVERIFY(QFile::resize(paths.x, 0));
        QCOMPARE(off::loadOffsets(paths).x, 0);
    }

    void textsShowWhole()
    {
        apptest::LoadedWindow w;
        w.window->show();
        for (QLabel *label : w.window->findChildren<QLabel *>())
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width(),
                     qPrintable(label->objectName()));
        for (QComboBox *list : {w.combo("KibouGatsuBox"), w.combo("KibouBiBox")}) {
            list->show();
            list->showPopup();
            for (int row = 0; row < list->count(); ++row)
                QVERIFY(list->view()->sizeHintForIndex(list->model()->index(row, 0)).width()
                        <= list->view()->viewport()->width());
            list->hidePopup();
        }
        // The widest typed quantity and price, 999 x 99999, an 8-digit amount
        // and the total of two such amounts.
        for (auto [name, text] : {std::pair{"SuuryouBox1", "999"}, {"TankaBox1", "99999"},
                                  {"KingakuBox1", "99899001"}, {"KingakuBox2", "99999999"}, {"GoukeiBox", "199798002"}}) {
            QLineEdit *box = w.edit(name);
            box->setText(text);
            box->grab(); // lays the text out as it shows: right-aligned, or scrolled to its end
            box->setCursorPosition(0);
            // The first digit starts inside the box's one-pixel border.
            QVERIFY2(box->inputMethodQuery(Qt::ImCursorRectangle).toRectF().center().x() >= 1, name);
        }
    }

    void keyboard()
    {
        apptest::LoadedWindow w;
        w.window->show();
        w.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
        QStringList pressed;
        for (QPushButton *button : w.window->findChildren<QPushButton *>()) {
            button->disconnect(w.window.get()); // a press is seen, not acted on
            connect(button, &QPushButton::clicked, this, [&pressed, button] { pressed << button->objectName(); });
        }
        for (const char *name : {"InsatsuBtn", "z_Henkan", "T_2_Jyuusyo"}) {
            w.get(name)->setFocus();
            QTest::keyClick(w.get(name), Qt::Key_Return);
        }
        QCOMPARE(pressed, QStringList({"InsatsuBtn", "z_Henkan"}));

        // Tab from 終了 reaches the X spinner, then the Y spinner; a frame shows it.
        w.get("CyouseiFrm")->show();
        w.get("zEndBtn")->setFocus();
        for (QWidget *spinner : {w.get("UpDownX"), w.get("UpDownY")}) {
            const QRect around = spinner->geometry().adjusted(-3, -3, 3, 3);
            const QImage unfocused = spinner->parentWidget()->grab(around).toImage();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), spinner);
            QVERIFY(spinner->parentWidget()->grab(around).toImage() != unfocused);
        }
    }
};

QTEST_MAIN(TestFirstUse)
#include "test_first_use.moc"
