// Start-up in a program folder, the offset panel and its files, and the
// single-copy rule within one process.
#include "apptest.h"
#include "updown.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

using apptest::LoadedWindow;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// A window loaded in `dir` after the offset files were given their content.
std::unique_ptr<MainWindow> loadIn(const QTemporaryDir &dir, const QByteArray &x, const QByteArray &y,
                                   const QDate &today = QDate(2004, 5, 21))
{
    if (!x.isNull())
        writeFile(dir.filePath("nerufax1.txt"), x);
    if (!y.isNull())
        writeFile(dir.filePath("nerufay1.txt"), y);
    auto window = std::make_unique<MainWindow>();
    if (!window->load({dir.path(), today, dir.filePath("lock")}))
        return nullptr;
    return window;
}

template <typename T = QWidget>
T *get(const std::unique_ptr<MainWindow> &w, const char *name)
{
    return w->findChild<T *>(QString::fromLatin1(name));
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { apptest::setupTestApplication(); }

    void firstStartInAnEmptyFolder()
    {
        LoadedWindow w(QDate(2004, 5, 21));
        // Both files made holding the neutral offsets 30 and 70.
        QCOMPARE(readAll(w.dir.filePath("nerufax1.txt")), QByteArray("30\r\n"));
        QCOMPARE(readAll(w.dir.filePath("nerufay1.txt")), QByteArray("70\r\n"));
        QVERIFY(w.window->startupWarnings().isEmpty());
        QCOMPARE(w.edit("Sayuu_Xtxt")->text(), QStringLiteral("30"));
        QCOMPARE(w.edit("Jyouge_Ytxt")->text(), QStringLiteral("70"));
        QCOMPARE(w.get<UpDown>("UpDownX")->value(), 30);
        QCOMPARE(w.get<UpDown>("UpDownY")->value(), 70);

        for (const char *hidden : {"CyouseiFrm", "T_5_Samakata", "iraiSamakata", "KibouGatsuBox", "KibouBiBox",
                                   "TsukiLb", "HiLb", "SuuryouLb", "GoukeiBox", "GoukeiBtn", "KingakuBox2"})
            QVERIFY2(w.get(hidden)->isHidden(), hidden);
        for (const char *shown : {"T_4_Namae", "c_Hinmei", "SyouhinBangouBox2", "InsatsuBtn", "KibouBtn"})
            QVERIFY2(!w.get(shown)->isHidden(), shown);
        QCOMPARE(w.get<QPushButton>("OnOffBtn")->text(), QString());
        QCOMPARE(w.get<QPushButton>("KibouBtn")->palette().color(QPalette::ButtonText), QColor(128, 128, 128));

        QCOMPARE(w.combo("KibouGatsuBox")->currentText(), QStringLiteral("05"));
        QCOMPARE(w.combo("KibouBiBox")->currentText(), QStringLiteral("21"));
        QCOMPARE(w.combo("KibouGatsuBox")->count(), 12);
        QCOMPARE(w.combo("KibouGatsuBox")->itemText(11), QStringLiteral("12"));
        QCOMPARE(w.combo("KibouBiBox")->count(), 31);
        QCOMPARE(w.combo("KibouBiBox")->itemText(0), QStringLiteral("01"));
        for (const char *goods : {"c_Hinmei", "c_Hinmei2"}) {
            QComboBox *combo = w.combo(goods);
            QCOMPARE(combo->count(), 12);
            QCOMPARE(combo->currentIndex(), 0);
            QCOMPARE(combo->currentText(), QString());
            QCOMPARE(combo->itemText(3), QStringLiteral("精密機械"));
            QCOMPARE(combo->itemText(11), QStringLiteral("割れ物"));
        }
        QVERIFY(w.get<QRadioButton>("O_Haitatsu6")->isChecked());
        QVERIFY(w.get<QRadioButton>("O_Tsuuchi1")->isChecked());
    }

    void desiredDateIsTwoDigitsWhateverTheLocale()
    {
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        LoadedWindow w(QDate(2026, 12, 6));
        QLocale::setDefault(saved);
        QCOMPARE(w.combo("KibouGatsuBox")->currentText(), QStringLiteral("12"));
        QCOMPARE(w.combo("KibouBiBox")->currentText(), QStringLiteral("06"));
    }

    void storedOffsetsReachBoxesAndSpinners_data()
    {
        QTest::addColumn<QByteArray>("x");
        QTest::addColumn<QByteArray>("y");
        QTest::addColumn<int>("expectedX");
        QTest::addColumn<int>("expectedY");
        QTest::addColumn<int>("warnings");
        QTest::newRow("30 and 70") << QByteArray("30\r\n") << QByteArray("70\r\n") << 30 << 70 << 0;
        QTest::newRow("two lines joined") << QByteArray("3\r\n0\r\n") << QByteArray("7\r\n0\r\n") << 30 << 70 << 0;
        QTest::newRow("halves to even") << QByteArray("30.5\r\n") << QByteArray("31.5\r\n") << 30 << 32 << 0;
        QTest::newRow("outside the range") << QByteArray("5000\r\n") << QByteArray("-5000\r\n") << 1000 << -1000
                                           << 0;
        QTest::newRow("saved empty box") << QByteArray("\r\n") << QByteArray("70\r\n") << 0 << 70 << 1;
        QTest::newRow("junk in both") << QByteArray("abc\r\n") << QByteArray("\x01\xff\xfe", 3) << 0 << 0 << 2;
    }
    void storedOffsetsReachBoxesAndSpinners()
    {
        QFETCH(QByteArray, x);
        QFETCH(QByteArray, y);
        QFETCH(int, expectedX);
        QFETCH(int, expectedY);
        QFETCH(int, warnings);
        QTemporaryDir dir;
        auto w = loadIn(dir, x, y);
        QVERIFY(w);
        QCOMPARE(get<UpDown>(w, "UpDownX")->value(), expectedX);
        QCOMPARE(get<QLineEdit>(w, "Sayuu_Xtxt")->text(), QString::number(expectedX));
        QCOMPARE(get<UpDown>(w, "UpDownY")->value(), expectedY);
        QCOMPARE(get<QLineEdit>(w, "Jyouge_Ytxt")->text(), QString::number(expectedY));
        QCOMPARE(w->startupWarnings().size(), warnings);
        if (warnings) {
            QVERIFY(w->startupWarnings().join(' ').contains(QStringLiteral("nerufax1.txt")));
            // The file is left as it was until the operator saves.
            QCOMPARE(readAll(dir.filePath("nerufax1.txt")), x);
            auto seen = apptest::answerNextMessageBox(QMessageBox::Ok);
            w->showStartupWarnings();
            QVERIFY(seen->seen);
            QCOMPARE(seen->icon, QMessageBox::Warning);
        }
    }

    void secondCopyIsRefused()
    {
        QTemporaryDir dir;
        auto first = loadIn(dir, "30\r\n", "70\r\n");
        QVERIFY(first);
        auto seen = apptest::answerNextMessageBox(QMessageBox::NoButton);
        auto second = loadIn(dir, QByteArray(), QByteArray());
        QVERIFY(!second);
        QVERIFY(seen->seen);
        QCOMPARE(seen->text, QStringLiteral("多重起動できません。"));
        QCOMPARE(seen->title, QStringLiteral("ネルファ送り状印刷"));
        QCOMPARE(seen->icon, QMessageBox::Warning);
        // The first copy keeps its lock: a third is refused too.
        apptest::answerNextMessageBox(QMessageBox::NoButton);
        QVERIFY(!loadIn(dir, QByteArray(), QByteArray()));
        first.reset();
        QVERIFY(loadIn(dir, QByteArray(), QByteArray()));
    }

    void spinnersDriveTheBoxes()
    {
        QTemporaryDir dir;
        auto w = loadIn(dir, "30\r\n", "70\r\n");
        auto *x = get<UpDown>(w, "UpDownX");
        auto *y = get<UpDown>(w, "UpDownY");
        QLineEdit *xBox = get<QLineEdit>(w, "Sayuu_Xtxt");
        // A typed value is not taken into the spinner: the arrow moves on
        // from the spinner's own value.
        xBox->setText(QStringLiteral("45"));
        x->towardsMaximumButton()->click();
        QCOMPARE(xBox->text(), QStringLiteral("31"));
        x->towardsMinimumButton()->click();
        x->towardsMinimumButton()->click();
        QCOMPARE(xBox->text(), QStringLiteral("29"));
        QCOMPARE(x->towardsMaximumButton()->arrowType(), Qt::RightArrow);

        // The Y spinner's range is reversed: its up arrow lowers the value,
        // which moves the print up.
        QCOMPARE(y->towardsMaximumButton()->arrowType(), Qt::UpArrow);
        y->towardsMaximumButton()->click();
        QCOMPARE(get<QLineEdit>(w, "Jyouge_Ytxt")->text(), QStringLiteral("69"));
        y->towardsMinimumButton()->click();
        y->towardsMinimumButton()->click();
        QCOMPARE(get<QLineEdit>(w, "Jyouge_Ytxt")->text(), QStringLiteral("71"));

        // The ends hold.
        x->setValue(1000);
        x->towardsMaximumButton()->click();
        QCOMPARE(x->value(), 1000);
        y->setValue(-1000);
        y->towardsMaximumButton()->click();
        QCOMPARE(y->value(), -1000);
        QCOMPARE(get<QLineEdit>(w, "Jyouge_Ytxt")->text(), QStringLiteral("-1000"));
    }

    void panelOpensAndCloses()
    {
        LoadedWindow w;
        auto *toggle = w.get<QPushButton>("OnOffBtn");
        w.edit("Sayuu_Xtxt")->setText(QStringLiteral("33"));
        toggle->click();
        QCOMPARE(toggle->text(), QStringLiteral("調整"));
        QVERIFY(!w.get("CyouseiFrm")->isHidden());
        toggle->click();
        QCOMPARE(toggle->text(), QString());
        QVERIFY(w.get("CyouseiFrm")->isHidden());
        QCOMPARE(w.edit("Sayuu_Xtxt")->text(), QStringLiteral("33"));
    }

    void savingWritesTheBoxesExactly_data()
    {
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<QByteArray>("xBytes");
        QTest::addColumn<QByteArray>("yBytes");
        QTest::newRow("30 and 70") << "30" << "70" << QByteArray("\x33\x30\x0d\x0a") << QByteArray("70\r\n");
        QTest::newRow("empty box") << "" << "-5" << QByteArray("\x0d\x0a") << QByteArray("-5\r\n");
        QTest::newRow("typed fraction") << "30.5" << "abc" << QByteArray("30.5\r\n") << QByteArray("abc\r\n");
    }
    void savingWritesTheBoxesExactly()
    {
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(QByteArray, xBytes);
        QFETCH(QByteArray, yBytes);
        LoadedWindow w;
        w.edit("Sayuu_Xtxt")->setText(x);
        w.edit("Jyouge_Ytxt")->setText(y);
        w.get<QPushButton>("HozonBtn")->click();
        QCOMPARE(readAll(w.dir.filePath("nerufax1.txt")), xBytes);
        QCOMPARE(readAll(w.dir.filePath("nerufay1.txt")), yBytes);
    }

    void savedValuesComeBackAfterARestart()
    {
        QTemporaryDir dir;
        {
            auto w = loadIn(dir, QByteArray(), QByteArray());
            get<UpDown>(w, "UpDownX")->setValue(31);
            get<UpDown>(w, "UpDownY")->setValue(-69);
            get<QPushButton>(w, "HozonBtn")->click();
        }
        auto again = loadIn(dir, QByteArray(), QByteArray());
        QCOMPARE(get<QLineEdit>(again, "Sayuu_Xtxt")->text(), QStringLiteral("31"));
        QCOMPARE(get<UpDown>(again, "UpDownY")->value(), -69);
    }

    void aFolderThatCannotKeepOffsets()
    {
        // A folder in the place of the X file: it can neither be read as an
        // offset file nor replaced. Start-up warns once and goes on with 0;
        // saving says which file failed and leaves the folder alone.
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("nerufax1.txt"));
        auto w = loadIn(dir, QByteArray(), "70\r\n");
        QVERIFY(w);
        QCOMPARE(w->startupWarnings().size(), 1);
        QCOMPARE(get<QLineEdit>(w, "Sayuu_Xtxt")->text(), QStringLiteral("0"));
        QCOMPARE(get<QLineEdit>(w, "Jyouge_Ytxt")->text(), QStringLiteral("70"));
        auto seen = apptest::answerNextMessageBox(QMessageBox::Ok);
        get<QPushButton>(w, "HozonBtn")->click();
        QVERIFY(seen->seen);
        QCOMPARE(seen->icon, QMessageBox::Critical);
        QVERIFY(seen->text.contains(QStringLiteral("nerufax1.txt")));
        QVERIFY(QFileInfo(dir.filePath("nerufax1.txt")).isDir());
        QCOMPARE(readAll(dir.filePath("nerufay1.txt")), QByteArray("70\r\n"));
    }

    void positionCheckPrintsOnePage()
    {
        LoadedWindow w;
        const QString pdf = w.dir.filePath("check.pdf");
        w.window->printer().setOutputFormat(QPrinter::PdfFormat);
        w.window->printer().setOutputFileName(pdf);
        w.edit("Sayuu_Xtxt")->setText(QStringLiteral("30"));
        w.edit("Jyouge_Ytxt")->setText(QStringLiteral("70"));
        w.get<QPushButton>("IchiBtn")->click();
        QVERIFY(QFileInfo(pdf).size() > 0);
        QCOMPARE(w.window->jobState().markRadius, 3.0f);
        QCOMPARE(w.window->jobState().offsetX, 0.0f);

        // A box that is not a number: a message, and no page at all.
        QFile::remove(pdf);
        w.edit("Jyouge_Ytxt")->clear();
        auto seen = apptest::answerNextMessageBox(QMessageBox::Ok);
        w.get<QPushButton>("IchiBtn")->click();
        QVERIFY(seen->seen);
        QVERIFY(!QFileInfo::exists(pdf));
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
