// The slip history in the window and on the command line, on a real SQLite
// file and a real PostgreSQL server: what printed is recorded once, what
// failed not at all; a database fault never stops a print; the sender lists,
// the recipient memory and the history window fill and print through the
// field table; switched off, the window is what it always was.

#include "apptest.h"
#include "csvbatch.h"
#include "historydesk.h"
#include "historystore.h"
#include "historywindow.h"
#include "historyworker.h"
#include "pdfprobe.h"
#include "pgserver.h"
#include "recipientmemory.h"
#include "senderbook.h"
#include "testsupport.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QInputMethodEvent>
#include <QLabel>
#include <QProcess>
#include <QProgressDialog>
#include <QtTest>
#include <sys/mount.h>

using apptest::LoadedWindow;
using namespace nerufa::history;
namespace pdf = nerufa::testpdf;

namespace {

nerufa::testpg::PgServer server;
const QDate kToday(2004, 5, 21);

Location sqliteIn(const QString &folder)
{
    return parseLocation(folder + "/history.sqlite");
}

// Lets the history's thread and the replies it sends run until all is quiet.
void settle(const LoadedWindow &w)
{
    for (int i = 0; i < 4; ++i) {
        if (HistoryWorker *worker = w.window->history()->worker())
            worker->waitForIdle();
        QCoreApplication::processEvents();
    }
}

// "name source printer" of every slip recorded, newest first.
QStringList recorded(const Location &history)
{
    QStringList slips;
    for (const PrintedSlip &p : HistoryStore(history).find({}))
        slips << QString("%1 %2:%3 %4").arg(p.slip.recipientName, p.sourceFile).arg(p.sourceRow).arg(QFileInfo(p.printer).fileName());
    return slips;
}

void usePdf(const LoadedWindow &w, const QString &name)
{
    w.window->setPrinterChoice({nerufa::PrinterChoice::Kind::PdfFile, w.dir.filePath(name), {}, {}});
}

// Prints three orders from the window into batch.pdf, answering its
// dialogs; `midway` runs once the first slip is out.
void printBatch(const LoadedWindow &w, std::function<void()> midway = {})
{
    nerufa::testsupport::writeFile(w.dir.filePath("orders.csv"), "お届け先名前,お届け先電話番号\n客1,03-1\n客2,03-2\n客3,03-3\n");
    usePdf(w, "batch.pdf");
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *progress = qobject_cast<QProgressDialog *>(modal); progress && progress->value() >= 1 && midway)
            std::exchange(midway, nullptr)();
        if (auto *box = qobject_cast<QMessageBox *>(modal); box && box->isVisible())
            (box->objectName() == "CsvConfirm" ? box->button(QMessageBox::Ok) : box->buttons().first())->click();
    });
    timer.start(1);
    w.get<CsvBatch>("CsvBatch")->printFile(w.dir.filePath("orders.csv"));
}

QString runProgram(const QStringList &arguments, int *status)
{
    const nerufa::testsupport::ProgramRun ran = nerufa::testsupport::runProgram(NERUFA_PROGRAM, arguments);
    *status = ran.status;
    return ran.said;
}

} // namespace

class TestHistory : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        apptest::setupTestApplication();
        QVERIFY2(pdf::toolsAvailable(), "poppler-utils is needed");
        QString why;
        QVERIFY2(server.start(&why), qPrintable(why));
    }
    void cleanupTestCase() { server.stop(); }

    // 「印刷」 once, a position check, a print that fails, a batch of three
    // from the window and two more from the command line.
    void printedSlipsRecordedOnce()
    {
        QTemporaryDir data;
        const Location history = sqliteIn(data.path());
        LoadedWindow w({}, {}, kToday, history);
        w.window->history()->start();
        usePdf(w, "slip.pdf");
        w.edit("T_4_Namae")->setText("山田太郎");
        w.click("InsatsuBtn");
        w.click("IchiBtn");
        w.window->setPrinterChoice({nerufa::PrinterChoice::Kind::PdfFile, w.dir.filePath("missing/x.pdf"), {}, {}});
        auto refused = apptest::answerNextMessageBox();
        w.click("InsatsuBtn");
        printBatch(w);
        settle(w);
        QVERIFY(refused->seen);
        QCOMPARE(recorded(history), QStringList({"客3 orders.csv:3 batch.pdf", "客2 orders.csv:2 batch.pdf",
                                                 "客1 orders.csv:1 batch.pdf", "山田太郎 :0 slip.pdf"}));
        QCOMPARE(HistoryStore(history).find({}).last().slip.offsetXText, "30");

        int status = -1;
        const QString db = "--database=" + history.file;
        QString said = runProgram({"--csv", w.dir.filePath("orders.csv"), "--from", "2", "--pdf", w.dir.filePath("cli.pdf"), db}, &status);
        QVERIFY2(status == 0 && recorded(history).size() == 6, qPrintable(said));
        said = runProgram({"--history-search", "03-2", db}, &status);
        const QStringList lines = said.split('\n').filter("\t");
        QVERIFY2(status == 0 && lines.size() == 2 && lines[0].section('\t', 4, 5) == "客2\t03-2"
                     && lines[0].endsWith("/cli.pdf\torders.csv:2"), qPrintable(said));
        said = runProgram({"--history-export", w.dir.filePath("out.csv"), "--since", QDate::currentDate().toString(Qt::ISODate), db}, &status);
        QVERIFY2(status == 0 && nerufa::testsupport::readFile(w.dir.filePath("out.csv")).count("\r\n") == 7, qPrintable(said));
        said = runProgram({"--csv", w.dir.filePath("orders.csv"), "--pdf", w.dir.filePath("no.pdf"), "--database=mysql://x/y"}, &status);
        QVERIFY2(status == 1 && !QFileInfo::exists(w.dir.filePath("no.pdf")) && said.contains("mysql://x/y"), qPrintable(said));
    }

    // A fault of the history after the window started: the batch prints
    // whole, the notice says so, nothing of it is written. Once the fault is
    // gone the next print writes the waiting slips and its own, each once.
    void faultsNeverStopAPrint_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason"); // as the notice's details give it
        QTest::newRow("locked") << "locked" << "ほかのプログラムが使っていて書き込めません。";
        QTest::newRow("read-only") << "read-only" << "読み取り専用のディスクです。";
        QTest::newRow("disk full") << "disk full" << "ディスクがいっぱいです。";
        QTest::newRow("server stops") << "server stops" << "データベースのサーバーにつながりません";
    }
    void faultsNeverStopAPrint()
    {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        QTemporaryDir data;
        const bool mounted = fault == "read-only" || fault == "disk full";
        if (mounted && mount("tmpfs", data.path().toLocal8Bit(), "tmpfs", 0, "size=2m") != 0)
            QSKIP("cannot mount a tmpfs here");
        const auto unmount = qScopeGuard([&] { mounted && umount(data.path().toLocal8Bit()); });
        QString why;
        const Location history = fault == "server stops" ? server.newDatabase(&why) : sqliteIn(data.path());
        QVERIFY2(why.isEmpty(), qPrintable(why));
        HistoryStore(history).record({printedNow(nerufa::testsupport::filledSlip(), {})});
        // A file system with a file open for writing cannot turn read-only:
        // this one is read-only before the window starts.
        QVERIFY(fault != "read-only" || mount("tmpfs", data.path().toLocal8Bit(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0);

        LoadedWindow w({}, {}, kToday, history);
        w.window->history()->start();
        settle(w);
        QProcess locker;
        QFile filler(data.filePath("filler"));
        std::function<void()> midway;
        if (fault == "locked") {
            locker.start("sqlite3", {history.file});
            locker.write("BEGIN EXCLUSIVE;\nSELECT 'locked';\n");
            QVERIFY(locker.waitForReadyRead(10000));
        } else if (fault == "disk full") {
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            while (filler.write(QByteArray(4096, 'x')) == 4096) {
            }
            filler.close();
        } else if (fault == "server stops") {
            midway = [] { server.stop(); };
        }
        printBatch(w, midway);
        settle(w);
        QCOMPARE(pdf::readText(w.dir.filePath("batch.pdf"), &why).pages, 3);
        auto *notice = w.get<QLabel>("RirekiLb");
        QVERIFY2(!notice->isHidden() && notice->text() == "履歴に書き込めませんでした" && notice->toolTip().contains(reason)
                     && notice->toolTip().contains("3 枚"), qPrintable(notice->toolTip()));

        locker.write("COMMIT;\n.quit\n");
        locker.waitForFinished();
        filler.remove();
        if (fault == "read-only")
            QVERIFY(mount("tmpfs", data.path().toLocal8Bit(), "tmpfs", MS_REMOUNT, nullptr) == 0);
        if (fault == "server stops")
            QVERIFY2(server.start(&why), qPrintable(why));
        QCOMPARE(recorded(history).size(), 1);
        usePdf(w, "next.pdf");
        w.click("InsatsuBtn");
        settle(w);
        QVERIFY2(recorded(history).size() == 5, qPrintable(notice->toolTip()));
        QVERIFY(notice->isHidden());
    }

    void sendersAndRecipients()
    {
        QTemporaryDir data;
        const Location history = sqliteIn(data.path());
        nerufa::SlipSnapshot a = nerufa::testsupport::filledSlip(), b = a;
        b.senderName = "乙商店";
        b.senderCareOfVisible = false;
        b.recipientName = "佐藤花子";
        b.recipientPhone = "075-222-3333";
        HistoryStore(history).record({printedNow(a, {}), printedNow(b, {}), printedNow(a, {})});
        QStringList items;
        {
            LoadedWindow w({}, {}, kToday, history);
            w.window->show();
            QCOMPARE(w.combo("iraiNamae")->count(), 0); // nothing before the first paint
            w.window->history()->start();
            settle(w);
            for (int i = 0; i < w.combo("iraiNamae")->count(); ++i)
                items << w.combo("iraiNamae")->itemText(i);
            QCOMPARE(items, QStringList({"鈴木花子", "乙商店"}));
            emit w.combo("iraiDenwa")->activated(1);
            QCOMPARE(w.combo("iraiNamae")->currentText() + w.combo("iraiYuubin")->currentText(), "乙商店678-90000");
            QVERIFY(!w.get<QAbstractButton>("C_2_Samakata")->isChecked() && w.combo("iraiSamakata")->isHidden());
            emit w.combo("iraiNamae")->activated(0);
            QVERIFY(w.get<QAbstractButton>("C_2_Samakata")->isChecked() && !w.combo("iraiSamakata")->isHidden());
            QCOMPARE(w.combo("iraiSamakata")->currentText(), "田中様方");
            w.window->history()->senderBook()->pin(1, true);

            // Typing part of a name offers the recipients; choosing one
            // fills the whole block.
            QInputMethodEvent typed;
            typed.setCommitString("花子");
            QApplication::sendEvent(w.edit("T_4_Namae"), &typed);
            settle(w);
            QAbstractItemView *list = w.window->history()->recipientMemory()->completer()->popup();
            QVERIFY(list->isVisible() && list->model()->rowCount() == 1);
            QCOMPARE(list->model()->index(0, 0).data().toString(), "佐藤花子\u3000佐藤様方\u3000東京都千代田区丸の内1-1\u3000075-222-3333\u300012345");
            QTest::keyClick(list, Qt::Key_Down);
            QTest::keyClick(list, Qt::Key_Return);
            QCOMPARE(w.edit("T_6_Denwaba")->text() + w.edit("T_4_Namae")->text(), "075-222-3333佐藤花子");
        }
        // The pinned sender is filled in at the next start.
        LoadedWindow w({}, {}, kToday, history);
        w.window->history()->start();
        settle(w);
        QCOMPARE(w.combo("iraiNamae")->currentText(), "乙商店");
    }

    void historyWindow()
    {
        QTemporaryDir data;
        const Location history = sqliteIn(data.path());
        LoadedWindow w({}, {}, kToday, history);
        w.window->history()->start();
        const QList<std::array<const char *, 3>> slips{{"山田太郎", "03-1111-2222", "first.pdf"}, {"佐藤花子", "075-1", "second.pdf"}};
        for (const auto &[name, phone, file] : slips) {
            w.edit("T_4_Namae")->setText(name);
            w.edit("T_6_Denwaba")->setText(phone);
            usePdf(w, file);
            w.click("InsatsuBtn");
        }
        for (const char *button : {"C_1_Samakata", "KibouBtn", "T_clear1"})
            w.click(button);
        w.window->history()->openHistoryWindow();
        settle(w);
        HistoryWindow *h = w.window->history()->historyWindow();
        QCOMPARE(h->listed().size(), 2);
        QTest::keyClicks(h->findChild<QLineEdit *>("RirekiSearch"), "1111");
        settle(w);
        QCOMPARE(h->listed().size(), 1);
        // Enter puts it into the window as it printed.
        QTest::keyClick(h->findChild<QLineEdit *>("RirekiSearch"), Qt::Key_Return);
        QVERIFY(h->isHidden());
        QCOMPARE(w.edit("T_4_Namae")->text() + w.edit("T_6_Denwaba")->text(), "山田太郎03-1111-2222");
        QVERIFY(!w.get<QAbstractButton>("C_1_Samakata")->isChecked() && !w.get<QAbstractButton>("KibouBtn")->isChecked());

        // Printed again after a confirmation naming the printer: the same page.
        w.window->history()->openHistoryWindow();
        usePdf(w, "again.pdf");
        auto confirmed = apptest::answerNextMessageBox(QMessageBox::Ok);
        h->reprintSelected();
        QVERIFY2(confirmed->text.contains("山田太郎") && confirmed->text.endsWith("PDF：" + w.dir.filePath("again.pdf")),
                 qPrintable(confirmed->text));
        QString error;
        const QImage first = pdf::renderArea(w.dir.filePath("first.pdf"), 100, 0, 0, 827, 1169, &error);
        QVERIFY2(!first.isNull() && error.isEmpty(), qPrintable(error));
        QVERIFY(pdf::renderArea(w.dir.filePath("again.pdf"), 100, 0, 0, 827, 1169, &error) == first);
        settle(w);
        QCOMPARE(recorded(history).first(), "山田太郎 :0 again.pdf");

        auto said = apptest::answerNextMessageBox();
        h->exportTo(w.dir.filePath("export.csv"));
        settle(w);
        QCOMPARE(said->text, QString("2 件を「%1」に書き出しました。").arg(w.dir.filePath("export.csv")));
    }

    // Switched off in the configuration, or never started: the window of
    // old, and no file.
    void offIsTheOldWindow()
    {
        const QString config = configFile();
        for (const auto &[line, want] : {std::pair{"", defaultFile()}, {"database=off", QString("off")},
                                         {"database=postgresql://desk@db.example/slips", QString("postgresql://desk@db.example/slips")}}) {
            nerufa::testsupport::writeFile(config, QByteArray("[history]\n") + line + "\n");
            QCOMPARE(StartupEnvironment::forThisProgram().history.describe(), want);
        }
        LoadedWindow w;
        w.window->history()->start();
        usePdf(w, "slip.pdf");
        w.click("InsatsuBtn");
        QVERIFY(!w.window->findChild<QWidget *>("RirekiBtn") && w.combo("iraiNamae")->count() == 0);
        QVERIFY(!QFileInfo::exists(defaultFile()));
    }
};

QTEST_MAIN(TestHistory)
#include "test_history.moc"
