// Start-up in a program folder, the single-copy rule, and the print-offset
// panel with its files.
#include "apptest.h"
#include "updown.h"

#include <QLockFile>
#include <QPrinter>
#include <QToolButton>
#include <QtTest>
#include <sys/wait.h>
#include <unistd.h>

using apptest::LoadedWindow;

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
        // Missing offset files are made holding the neutral offsets.
        QCOMPARE(readAll(w.dir.filePath("nerufax1.txt")) + readAll(w.dir.filePath("nerufay1.txt")), QByteArray("30\r\n70\r\n"));
        QCOMPARE(w.window->startupWarnings(), QStringList());
        QCOMPARE(w.edit("Sayuu_Xtxt")->text() + "/" + w.edit("Jyouge_Ytxt")->text(), QStringLiteral("30/70"));
        QCOMPARE(w.get<UpDown>("UpDownX")->value() * 1000 + w.get<UpDown>("UpDownY")->value(), 30070);
        QCOMPARE(w.combo("KibouGatsuBox")->currentText() + "/" + w.combo("KibouBiBox")->currentText(), "05/01");
        QCOMPARE(items(w.combo("KibouGatsuBox")).join(u' '), "01 02 03 04 05 06 07 08 09 10 11 12");
        QCOMPARE(items(w.combo("KibouBiBox")).size(), 31);
        QCOMPARE(w.combo("KibouBiBox")->itemText(30), "31");
        const QStringList goods{"", "衣類", "雑貨", "精密機械", "電化製品", "食品", "生物", "お菓子", "書類", "本", "食器", "割れ物"};
        for (const char *name : {"c_Hinmei", "c_Hinmei2"}) {
            QCOMPARE(items(w.combo(name)), goods);
            QCOMPARE(w.combo(name)->currentIndex(), 0);
        }
        // The desired-date toggle's caption is grey while up, black while down.
        auto *date = w.get<QAbstractButton>("KibouBtn");
        for (const QColor &colour : {QColor(128, 128, 128), QColor(0, 0, 0), QColor(128, 128, 128)}) {
            QCOMPARE(date->palette().color(QPalette::ButtonText), colour);
            date->click();
        }
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

    void offsetPanel()
    {
        LoadedWindow w("\x01\xff", "-5000\r\n");
        // X is no number: 0, one warning naming the file, and the file stays
        // as it was. Y lies past the spinner's range: its nearest end.
        QCOMPARE(readAll(w.dir.filePath("nerufax1.txt")), QByteArray("\x01\xff"));
        auto warning = apptest::answerNextMessageBox();
        w.window->showStartupWarnings();
        QVERIFY2(warning->icon == QMessageBox::Warning && warning->text.contains("nerufax1.txt"), qPrintable(warning->text));
        auto *x = w.get<UpDown>("UpDownX");
        auto *y = w.get<UpDown>("UpDownY");
        QCOMPARE(QString::number(x->value()) + " " + w.edit("Sayuu_Xtxt")->text(), "0 0");
        QCOMPARE(QString::number(y->value()) + " " + w.edit("Jyouge_Ytxt")->text(), "-1000 -1000");
        w.click("OnOffBtn");
        QVERIFY(!w.get("CyouseiFrm")->isHidden() && w.get<QAbstractButton>("OnOffBtn")->text() == "調整");
        // A typed value is not taken into the spinner: the arrow moves on
        // from the spinner's own value. The Y spinner's up arrow lowers its
        // value, which moves the print up; at the end it stays.
        w.edit("Sayuu_Xtxt")->setText(QStringLiteral("45"));
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
        QCOMPARE(readAll(w.dir.filePath("nerufax1.txt")) + readAll(w.dir.filePath("nerufay1.txt")), "30\r\n\r\n");
        w.click("OnOffBtn");
        QVERIFY(w.get("CyouseiFrm")->isHidden() && w.get<QAbstractButton>("OnOffBtn")->text().isEmpty());
    }

    void positionCheckButtonPrintsOnePage()
    {
        LoadedWindow w("30\r\n", "70\r\n");
        const QString pdf = w.dir.filePath("check.pdf");
        w.window->setPrinterChoice({nerufa::PrinterChoice::Kind::PdfFile, pdf, {}, {}});
        w.edit("Jyouge_Ytxt")->clear();
        // A box that is not a number: a message, and no page at all.
        auto seen = apptest::answerNextMessageBox();
        w.click("IchiBtn");
        QVERIFY(seen->seen && !QFileInfo::exists(pdf));
        w.edit("Jyouge_Ytxt")->setText(QStringLiteral("70"));
        w.click("IchiBtn");
        QVERIFY(QFileInfo::exists(pdf));
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
