// Start-up in a program folder, the single-copy rule, and the print-offset
// panel with its files.
#include "apptest.h"
#include "testsupport.h"
#include "updown.h"

#include <QLockFile>
#include <QPrinter>
#include <QToolButton>
#include <QtTest>
#include <sys/wait.h>
#include <unistd.h>

using apptest::LoadedWindow;
using nerufa::testsupport::guardRow;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList items(const QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

} // namespace

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
        QCOMPARE(readAll(w.dir.filePath("nerufax1.txt")) + readAll(w.dir.filePath("nerufay1.txt")), QByteArray());
        QCOMPARE(w.window->startupWarnings(), QStringList());
        QCOMPARE(w.edit("Sayuu_Xtxt")->text() + "/" + w.edit("Jyouge_Ytxt")->text(), QStringLiteral("0/0"));
        QCOMPARE(w.get<UpDown>("UpDownX")->value() + w.get<UpDown>("UpDownY")->value(), 0);
        QCOMPARE(w.combo("KibouGatsuBox")->currentText() + "/" + w.combo("KibouBiBox")->currentText(), "05/01");
        QCOMPARE(items(w.combo("KibouGatsuBox")).join(u' '), "01 02 03 04 05 06 07 08 09 10 11 12");
        QCOMPARE(items(w.combo("KibouBiBox")).size(), 31);
        QCOMPARE(w.combo("KibouBiBox")->itemText(30), "31");
        const QStringList goods{"", "衣類", "雑貨", "精密機械", "電化製品", "食品", "生物", "お菓子", "書類", "本", "食器", "割れ物"};
        for (const char *name : {"c_Hinmei", "c_Hinmei2"}) {
            QCOMPARE(items(w.combo(name)), goods);
            QCOMPARE(w.combo(name)->currentIndex(), 0);
        }
        QCOMPARE(w.get<QAbstractButton>("KibouBtn")->palette().color(QPalette::ButtonText), QColor(128, 128, 128));
        QCOMPARE(w.get<QAbstractButton>("OnOffBtn")->text(), QString());
    }

    void storedOffsetsReachBoxesAndSpinners_data()
    {
        QTest::addColumn<QByteArray>("x");
        QTest::addColumn<QByteArray>("y");
        QTest::addColumn<int>("expectedX");
        QTest::addColumn<int>("expectedY");
        QTest::addColumn<int>("warnings");
        QTest::newRow("30 and 70") << QByteArray("30\r\n") << QByteArray("70\r\n") << 30 << 70 << 0;
        QTest::newRow("halves to even") << QByteArray("30.5\r\n") << QByteArray("31.5\r\n") << 30 << 32 << 0;
        QTest::newRow("outside the range") << QByteArray("5000\r\n") << QByteArray("-5000\r\n") << 1000 << -1000 << 0;
        QTest::newRow("saved empty box, junk") << QByteArray("\r\n") << QByteArray("\x01\xff", 2) << 0 << 0 << 2;
    }
    void storedOffsetsReachBoxesAndSpinners()
    {
        guardRow([&] {
            QFETCH(QByteArray, x);
            QFETCH(QByteArray, y);
            QFETCH(int, expectedX);
            QFETCH(int, expectedY);
            QFETCH(int, warnings);
            LoadedWindow w(x, y);
            QCOMPARE(w.get<UpDown>("UpDownX")->value(), expectedX);
            QCOMPARE(w.edit("Sayuu_Xtxt")->text(), QString::number(expectedX));
            QCOMPARE(w.get<UpDown>("UpDownY")->value(), expectedY);
            QCOMPARE(w.edit("Jyouge_Ytxt")->text(), QString::number(expectedY));
            QCOMPARE(w.window->startupWarnings().size(), warnings);
            QCOMPARE(readAll(w.dir.filePath("nerufax1.txt")), x); // left as it was until saved
            if (warnings) {
                auto seen = apptest::answerNextMessageBox();
                w.window->showStartupWarnings();
                QCOMPARE(seen->icon, QMessageBox::Warning);
            }
        });
    }

    void onlyOneCopyRuns()
    {
        LoadedWindow first;
        const QString lock = first.environment().lockFilePath;
        // A lock held for a long time is still held: age alone never makes it stale.
        QFile file(lock);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
        file.close();
        auto seen = apptest::answerNextMessageBox();
        QVERIFY(!MainWindow().load(first.environment()));
        QCOMPARE(seen->text, QStringLiteral("多重起動できません。"));
        QCOMPARE(seen->title, QStringLiteral("ネルファ送り状印刷"));
        QCOMPARE(seen->icon, QMessageBox::Warning);

        // A copy killed outright leaves its lock file behind; the next start
        // sees that its process is gone and runs.
        first.window.reset();
        const pid_t killed = fork();
        if (killed == 0) {
            QLockFile held(lock);
            _exit(held.tryLock(0) ? 0 : 1); // no clean-up: the lock file stays
        }
        int status = -1;
        QVERIFY(killed > 0 && waitpid(killed, &status, 0) == killed && status == 0);
        QVERIFY(QFileInfo::exists(lock));
        QVERIFY(MainWindow().load(first.environment()));
    }

    void spinnersDriveTheBoxes()
    {
        LoadedWindow w("30\r\n", "70\r\n");
        auto *x = w.get<UpDown>("UpDownX");
        auto *y = w.get<UpDown>("UpDownY");
        // A typed value is not taken into the spinner: the arrow moves on
        // from the spinner's own value.
        w.edit("Sayuu_Xtxt")->setText(QStringLiteral("45"));
        x->towardsMaximumButton()->click();
        QCOMPARE(w.edit("Sayuu_Xtxt")->text(), QStringLiteral("31"));
        // The Y spinner's range is reversed: its up arrow lowers the value,
        // which moves the print up.
        QCOMPARE(y->towardsMaximumButton()->arrowType(), Qt::UpArrow);
        y->towardsMaximumButton()->click();
        QCOMPARE(w.edit("Jyouge_Ytxt")->text(), QStringLiteral("69"));
        y->setValue(-1000);
        y->towardsMaximumButton()->click();
        QCOMPARE(w.edit("Jyouge_Ytxt")->text(), QStringLiteral("-1000"));
    }

    void savedBoxesComeBackAfterARestart()
    {
        LoadedWindow w;
        w.edit("Sayuu_Xtxt")->setText(QStringLiteral("30.5"));
        w.edit("Jyouge_Ytxt")->clear();
        w.click("HozonBtn");
        QCOMPARE(readAll(w.dir.filePath("nerufax1.txt")), QByteArray("30.5\r\n"));
        QCOMPARE(readAll(w.dir.filePath("nerufay1.txt")), QByteArray("\r\n"));
        w.window.reset();
        MainWindow again;
        QVERIFY(again.load(w.environment()));
        QCOMPARE(again.findChild<QLineEdit *>("Sayuu_Xtxt")->text(), QStringLiteral("30"));
        QCOMPARE(again.startupWarnings().size(), 1); // the empty Y line is not a number
    }

    void aFolderThatCannotKeepOffsets()
    {
        // A folder in the place of the X file can neither be read as an
        // offset file nor replaced: start-up warns and goes on with 0, and
        // saving says which file failed.
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("nerufax1.txt"));
        MainWindow w;
        QVERIFY(w.load({dir.path(), QDate(2004, 5, 21), dir.filePath("lock")}));
        QCOMPARE(w.startupWarnings().size(), 1);
        QCOMPARE(w.findChild<QLineEdit *>("Sayuu_Xtxt")->text(), QStringLiteral("0"));
        auto seen = apptest::answerNextMessageBox();
        w.findChild<QAbstractButton *>("HozonBtn")->click();
        QCOMPARE(seen->icon, QMessageBox::Critical);
        QVERIFY2(seen->text.contains(QStringLiteral("nerufax1.txt")), qPrintable(seen->text));
        QVERIFY(QFileInfo(dir.filePath("nerufax1.txt")).isDir());
    }

    void positionCheckButtonPrintsOnePage()
    {
        LoadedWindow w("30\r\n", "70\r\n");
        const QString pdf = w.dir.filePath("check.pdf");
        w.window->printer().setOutputFileName(pdf);
        w.click("IchiBtn");
        QVERIFY(QFileInfo::exists(pdf));
        QCOMPARE(w.window->jobState().markRadius, 3.0f);
        // A box that is not a number: a message, and no page at all.
        QFile::remove(pdf);
        w.edit("Jyouge_Ytxt")->clear();
        auto seen = apptest::answerNextMessageBox();
        w.click("IchiBtn");
        QVERIFY(seen->seen && !QFileInfo::exists(pdf));
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
