// Start-up in a program folder and what a new operator meets there, the
// single-copy rule with what it meets at the lock's path, and the print-offset panel with
// its files.
#include "apptest.h"
#include "offsetfiles.h"
#include "singlecopy.h"
#include "updown.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QLockFile>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using apptest::LoadedWindow;
using State = SingleCopyLock::State;
Q_DECLARE_METATYPE(State)

// Both offset files of the folder, one after the other.
static QByteArray offsetFiles(const QTemporaryDir &dir)
{
    QFile x(dir.filePath("nerufax1.txt")), y(dir.filePath("nerufay1.txt"));
    return x.open(QIODevice::ReadOnly) && y.open(QIODevice::ReadOnly) ? x.readAll() + y.readAll() : "<missing>";
}

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { apptest::setupTestApplication(); }

    void firstStartInAnEmptyFolder()
    {
        // Month and day are two digits whatever the desktop's date format.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        LoadedWindow w(QByteArray(), QByteArray(), QDate(2004, 5, 1));
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
        // Missing offset files are made holding the neutral offsets; where
        // they cannot be made, the neutral offsets are used all the same.
        QCOMPARE(offsetFiles(w.dir), QByteArray("30\r\n70\r\n"));
        const auto uncreatable = nerufa::offsets::loadOffsets(nerufa::offsets::OffsetPaths::in(w.dir.filePath("gone")));
        QCOMPARE(QPoint(uncreatable.x, uncreatable.y), QPoint(30, 70));
        QCOMPARE(w.window->startupWarnings(), QStringList());
        auto refused = apptest::answerNextMessageBox(); // only one copy runs
        QVERIFY(!MainWindow().load(w.environment()));
        QCOMPARE(refused->title + " " + refused->text, "ネルファ送り状印刷 多重起動できません。");
        QCOMPARE(refused->icon, QMessageBox::Warning);
        QCOMPARE(w.edit("Sayuu_Xtxt")->text() + "/" + w.edit("Jyouge_Ytxt")->text(), QStringLiteral("30/70"));
        QCOMPARE(w.get<UpDown>("UpDownX")->value() * 1000 + w.get<UpDown>("UpDownY")->value(), 30070);
        // Each list as its items, then what it shows.
        QStringList lists;
        for (const char *name : {"KibouGatsuBox", "KibouBiBox", "c_Hinmei", "c_Hinmei2"}) {
            for (int i = 0; i < w.combo(name)->count(); ++i)
                lists << w.combo(name)->itemText(i);
            lists << "=" + w.combo(name)->currentText();
        }
        QCOMPARE(lists.join(u' '), "01 02 03 04 05 06 07 08 09 10 11 12 =05 01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16 17 18 19 "
                                   "20 21 22 23 24 25 26 27 28 29 30 31 =01  衣類 雑貨 精密機械 電化製品 食品 生物 お菓子 書類 本 食器 割れ物 = "
                                   " 衣類 雑貨 精密機械 電化製品 食品 生物 お菓子 書類 本 食器 割れ物 =");
        // The desired-date toggle's caption is grey while up, black while down.
        for (const QColor &colour : {QColor(128, 128, 128), QColor(0, 0, 0), QColor(128, 128, 128)}) {
            QCOMPARE(w.get("KibouBtn")->palette().color(QPalette::ButtonText), colour);
            w.click("KibouBtn");
        }
    }

    // Every text shows whole in the face this desktop has, from the first
    // paint on; Enter presses the focused button, and the spinners show the
    // focus.
    void legibleAndKeyboardReady()
    {
        LoadedWindow w;
        struct FirstPaints : QObject {
            QStringList painted, overflowing; // captions, at their first paint
            bool eventFilter(QObject *watched, QEvent *event) override
            {
                auto *label = qobject_cast<QLabel *>(watched);
                if (event->type() == QEvent::Paint && label && !painted.contains(label->objectName())) {
                    painted << label->objectName();
                    if (label->fontMetrics().horizontalAdvance(label->text()) > label->contentsRect().width())
                        overflowing << label->objectName();
                }
                return false;
            }
        } firstPaints;
        qApp->installEventFilter(&firstPaints);
        w.window->show();
        w.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
        qApp->removeEventFilter(&firstPaints);
        QVERIFY(firstPaints.painted.size() > 10);
        QCOMPARE(firstPaints.overflowing, QStringList());
        for (QComboBox *list : {w.combo("KibouGatsuBox"), w.combo("KibouBiBox")}) {
            list->show();
            list->showPopup();
            for (int row = 0; row < list->count(); ++row)
                QVERIFY(list->view()->sizeHintForIndex(list->model()->index(row, 0)).width() <= list->view()->viewport()->width());
            list->hidePopup();
        }
        // The widest typed quantity and price, 999 x 99999, an 8-digit amount
        // and the total of two such amounts.
        for (auto [name, text] : {std::pair{"SuuryouBox1", "999"}, {"TankaBox1", "99999"}, {"KingakuBox1", "99899001"},
                                  {"KingakuBox2", "99999999"}, {"GoukeiBox", "199798002"}}) {
            QLineEdit *box = w.edit(name);
            box->setText(text);
            box->grab(); // lays the text out as it shows: right-aligned, or scrolled to its end
            box->setCursorPosition(0);
            // The first digit starts inside the box's one-pixel border.
            QVERIFY2(box->inputMethodQuery(Qt::ImCursorRectangle).toRectF().center().x() >= 1, name);
        }

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

    // What a start meets at the lock's path, and what it leaves there.
    void locks_data()
    {
        QTest::addColumn<QByteArray>("content"); // of the lock file; "/…" makes it a folder, "|" a pipe, "*" a killed copy's
        QTest::addColumn<bool>("held");          // by a running copy of the earlier version (QLockFile)
        QTest::addColumn<State>("state");
        QTest::newRow("left by a copy killed outright") << QByteArray("*") << false << State::Held;
        QTest::newRow("junk bytes") << QByteArray("\xff\xfe\x00junk\n", 8) << false << State::Held;
        QTest::newRow("an empty folder") << QByteArray("/") << false << State::Held;
        QTest::newRow("a folder with something in it") << QByteArray("/kept") << false << State::Unusable;
        QTest::newRow("a pipe") << QByteArray("|") << false << State::Unusable;
        QTest::newRow("an earlier version running") << QByteArray() << true << State::OtherCopyRuns;
    }
    void locks()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, held);
        QFETCH(State, state);
        QTemporaryDir dir;
        const QString path = dir.filePath("nerufa-slip.lock");
        QLockFile running(path);
        QVERIFY(!held || running.tryLock(0));
        const pid_t killed = content == "*" ? fork() : -1;
        if (killed == 0) // ends without letting go of the lock
            _exit(SingleCopyLock::take(path).state() == State::Held ? 0 : 1);
        int status = -1;
        QVERIFY(killed < 0 || (waitpid(killed, &status, 0) == killed && status == 0));
        QFile file(path);
        QVERIFY(held || content == "*" || (content.startsWith('/') ? QDir().mkpath(path + content)
                : content == "|" ? mkfifo(QFile::encodeName(path), 0600) == 0
                : file.open(QIODevice::WriteOnly) && file.write(content) == content.size()));
        file.close();
        const QByteArray before = content.startsWith('/') || content == "*" ? QByteArray() : content;
        const SingleCopyLock start = SingleCopyLock::take(path);
        QCOMPARE(start.state(), state);
        QCOMPARE(QFileInfo::exists(path + "/kept"), content == "/kept"); // nothing kept there is deleted
        QCOMPARE(QFileInfo(path).isFile(), content != "|" && content != "/kept");
        if (state == State::Held) { // nothing written; the next copy is refused
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), before);
            QCOMPARE(SingleCopyLock::take(path).state(), State::OtherCopyRuns);
        }
    }

    void offsetPanel()
    {
        LoadedWindow w("\x01\xff", "-5000\r\n");
        // X is no number: 0 and one warning naming the file. Y lies past the
        // spinner's range: its nearest end.
        auto warning = apptest::answerNextMessageBox();
        w.window->afterShown();
        QVERIFY2(warning->icon == QMessageBox::Warning && warning->text.contains("nerufax1.txt"), qPrintable(warning->text));
        auto *x = w.get<UpDown>("UpDownX"), *y = w.get<UpDown>("UpDownY");
        QCOMPARE(QStringList({QString::number(x->value()), w.edit("Sayuu_Xtxt")->text(), QString::number(y->value()), w.edit("Jyouge_Ytxt")->text()}).join(' '),
                 "0 0 -1000 -1000");
        w.click("OnOffBtn");
        QVERIFY(!w.get("CyouseiFrm")->isHidden() && w.get<QAbstractButton>("OnOffBtn")->text() == "調整");
        // A typed value is not taken into the spinner: the arrow moves on
        // from the spinner's own value. The Y spinner's up arrow lowers its
        // value, which moves the print up; at the end it stays.
        w.edit("Sayuu_Xtxt")->setText("45");
        x->towardsMaximumButton()->click();
        y->towardsMaximumButton()->click();
        QCOMPARE(w.edit("Sayuu_Xtxt")->text() + " " + w.edit("Jyouge_Ytxt")->text(), "1 -1000");
        y->towardsMinimumButton()->click();
        QCOMPARE(w.edit("Jyouge_Ytxt")->text(), "-999");
        QCOMPARE(y->towardsMaximumButton()->arrowType(), Qt::UpArrow);
        // ズレ保存 writes a number whole, as the next start reads it.
        w.edit("Sayuu_Xtxt")->setText(QStringLiteral("30.5"));
        w.edit("Jyouge_Ytxt")->clear();
        w.click("HozonBtn");
        QCOMPARE(offsetFiles(w.dir), "30\r\n\r\n");
        QVERIFY(!w.window->findChild<QLabel *>("HozonsakiLb")); // beside the program, no note
        w.click("OnOffBtn");
        QVERIFY(w.get("CyouseiFrm")->isHidden() && w.get<QAbstractButton>("OnOffBtn")->text().isEmpty());
    }

    // A program folder that cannot be written to: no warning at start, the
    // neutral offsets, and 「ズレ保存」 says in the panel where they went.
    void perUserOffsets()
    {
        QTemporaryDir dir;
        MainWindow window;
        QVERIFY(window.load({dir.filePath("not writable"), QDate(2004, 5, 21), dir.filePath("test.lock"), dir.filePath("config")}));
        QCOMPARE(window.startupWarnings().join("") + window.findChild<QLineEdit *>("Sayuu_Xtxt")->text() + "/" + window.findChild<QLineEdit *>("Jyouge_Ytxt")->text(), "30/70");
        window.findChild<QPushButton *>("OnOffBtn")->click();
        window.findChild<QPushButton *>("HozonBtn")->click();
        auto *note = window.findChild<QLabel *>("HozonsakiLb");
        QVERIFY(note && note->isVisibleTo(&window) && note->text().startsWith("保存しました：\n") && note->toolTip().contains(dir.filePath("config/nerufa-slip/nerufax1.txt")));
        QVERIFY(note->fontMetrics().boundingRect(note->rect(), note->alignment(), note->text()).height() <= note->height());
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
