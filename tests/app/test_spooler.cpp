// The window with a real print spooler (a private cupsd with two capture
// queues): 「印刷」 and the page a printer gets; 「プリンタの設定」 kept on OK,
// on reopening and after a restart, its paper and orientation reaching the
// job against a queue whose own defaults differ; the notice when the saved
// printer is gone; a spooler that stops answering or is not running at
// start-up. Skips when no spooler can be started, unless
// NERUFA_REQUIRE_SPOOLER is set.
#include "apptest.h"
#include "pagedestination.h"
#include "pdfprobe.h"
#include "spooler.h"
#include "testsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QProgressDialog>
#include <QRadioButton>
#include <QtTest>

namespace pdf = nerufa::testpdf;

class TestSpooler : public QObject {
    Q_OBJECT

    nerufa::testspooler::Spooler m_spooler;
    QString m_whyNot;
    const QString m_second = QStringLiteral("nerufa-second");
    nerufa::PlainWaiting m_wait;

    // Opens 「プリンタの設定」, lets `act` work on it (and close it), and
    // returns what it showed on opening: printer, paper, orientation, PDF path.
    QString setUp(apptest::LoadedWindow &w, const std::function<void(QDialog *)> &act)
    {
        QString shown = "no dialog";
        apptest::onNextModalDialog([&](QWidget *dialog) {
            auto *list = dialog->findChild<QListWidget *>("PrinterList");
            shown = QStringList{list->currentItem()->text(), dialog->findChild<QComboBox *>("PaperBox")->currentText(),
                                dialog->findChild<QRadioButton *>("Landscape")->isChecked() ? "横" : "縦",
                                dialog->findChild<QLineEdit *>("PdfPath")->text()}.join(' ').trimmed();
            act(qobject_cast<QDialog *>(dialog));
        });
        w.click("PriDiaBtn");
        return shown;
    }
    static void pick(QDialog *dialog, const QString &printer, const QString &paper = {}, bool landscape = false)
    {
        auto *list = dialog->findChild<QListWidget *>("PrinterList");
        list->setCurrentItem(list->findItems(printer, Qt::MatchExactly).value(0));
        if (paper.isEmpty())
            return;
        auto *box = dialog->findChild<QComboBox *>("PaperBox");
        box->setCurrentIndex(box->findText(paper));
        emit box->activated(box->currentIndex());
        dialog->findChild<QRadioButton *>(landscape ? "Landscape" : "Portrait")->setChecked(true);
    }

private slots:
    void initTestCase()
    {
        // Before the first window: its printer touches CUPS, and libcups
        // reads CUPS_SERVER only once.
        if (!pdf::toolsAvailable())
            m_whyNot = "poppler-utils are not installed";
        else if (m_spooler.start(&m_whyNot) && !m_spooler.addQueue(m_second, &m_whyNot))
            m_whyNot = "the second queue was not added";
        apptest::setupTestApplication();
    }

    void init()
    {
        if (!m_whyNot.isEmpty())
            NERUFA_SKIP_OR_FAIL("no private print spooler: " + m_whyNot);
    }

    void printButtonSendsTheSlip()
    {
        apptest::LoadedWindow w;
        QCOMPARE(w.window->printerSession().current(m_wait).target, m_spooler.queueName());
        const auto queue = nerufa::makePrinter(w.window->printerSession().current(m_wait));
        for (auto [name, text] : {std::pair{"Sayuu_Xtxt", "31"}, {"Jyouge_Ytxt", "72"}, {"T_1_Yuubin", "9876542"},
                                  {"T_4_Namae", "山田太郎"}, {"T_5_Samakata", "鈴木"}, {"GoukeiBox", "1750"}})
            w.edit(name)->setText(QString::fromUtf8(text));
        w.click("C_1_Samakata");
        w.click("SuujiNyuuryokuBtn");
        w.click("InsatsuBtn");

        const QStringList jobs = m_spooler.waitForJobs(1);
        QVERIFY2(jobs.size() == 1, qPrintable(m_spooler.errorLog()));
        QString error;
        const pdf::TextLayout text = pdf::readText(jobs.first(), &error);
        QCOMPARE(text.pages, 1);
        // The job paints from the printable area's corner.
        queue->setPageMargins(queue->pageLayout().minimumMargins(), queue->pageLayout().units());
        const QPointF origin = queue->pageLayout().paintRect(QPageLayout::Millimeter).topLeft();
        const QString wrong = pdf::checkSlipTexts(text, {{"9", 840, 156}, {"6", 1121, 156}, {"2", 1391, 156}, {"山田太郎", 750, 490},
                                                         {"鈴木", 900, 435}, {"1750", 1995, 920}}, 1, 2, origin);
        QVERIFY2(wrong.isEmpty() && error.isEmpty(), qPrintable(wrong + error));
    }

    // The second queue's own defaults are two copies of Letter, landscape:
    // the job carries one copy of the paper and orientation chosen.
    void setupChoiceIsKeptAndReachesTheJob()
    {
        QVERIFY(m_spooler.runTool("lpadmin", {"-p", m_second, "-o", "copies-default=2", "-o", "media-default=na_letter_8.5x11in",
                                              "-o", "orientation-requested-default=4"}));
        apptest::LoadedWindow w;
        w.window->show();
        auto *shown = w.get<QLabel>("PurintaLb");
        QTRY_VERIFY(shown->text().startsWith("プリンタ：" + m_spooler.queueName() + "（"));
        // キャンセル and the close box change nothing.
        setUp(w, [&](QDialog *dialog) { pick(dialog, m_second, "A5", true), QTest::keyClick(dialog, Qt::Key_Escape); });
        setUp(w, [&](QDialog *dialog) { pick(dialog, m_second, "A5", true), dialog->close(); });
        QVERIFY(shown->text().startsWith("プリンタ：" + m_spooler.queueName() + "（"));
        // OK keeps queue, paper and orientation: shown, offered again, after a restart too.
        setUp(w, [&](QDialog *dialog) { pick(dialog, m_second, "A5", true), dialog->accept(); });
        QCOMPARE(shown->text(), "プリンタ：" + m_second + "（A5・横）");
        QCOMPARE(setUp(w, [](QDialog *dialog) { dialog->reject(); }), m_second + " A5 横");
        apptest::LoadedWindow restarted;
        QCOMPARE(restarted.window->printerSession().current(m_wait),
                 (nerufa::PrinterChoice{nerufa::PrinterChoice::Kind::Queue, m_second, QPageSize(QPageSize::A5), QPageLayout::Landscape}));
        w.click("InsatsuBtn");
        const QStringList jobs = m_spooler.waitForJobs(1, 15000, m_second);
        QCOMPARE(jobs.size(), 1);
        QString error;
        QCOMPARE(pdf::readText(jobs[0], &error).pageSize.toSize(), QSize(595, 420)); // A5 turned
        const QString options = nerufa::testspooler::Spooler::jobOptions(jobs[0]);
        QFile copies(QString(jobs[0]).replace(".pdf", ".copies"));
        QVERIFY2(options.contains("media=A5") && copies.open(QIODevice::ReadOnly) && copies.readAll() == "1\n",
                 qPrintable(options));

        // A PDF file: an empty name is refused with a message, a name is kept.
        auto refused = std::make_shared<QString>();
        setUp(w, [&](QDialog *dialog) {
            pick(dialog, "PDF ファイル");
            apptest::onNextModalDialog([=](QWidget *box) { *refused = qobject_cast<QMessageBox *>(box)->text(), box->close(); });
            dialog->accept();
            QTRY_VERIFY(!refused->isEmpty());
            dialog->findChild<QLineEdit *>("PdfPath")->setText(w.dir.filePath("slip.pdf"));
            dialog->accept();
        });
        QCOMPARE(*refused, "PDF ファイルの名前を入れてください。");
        QCOMPARE(shown->toolTip(), "PDF：" + w.dir.filePath("slip.pdf"));
        QCOMPARE(setUp(w, [](QDialog *dialog) { dialog->reject(); }), "PDF ファイル A5 横 " + w.dir.filePath("slip.pdf"));
    }

    // Runs after the choice above made the second queue the user's default.
    void goneDefaultIsSaidOnce()
    {
        QVERIFY(m_spooler.runTool("lpadmin", {"-x", m_second}));
        apptest::LoadedWindow w;
        const int jobs = int(m_spooler.waitForJobs(0, 0).size());
        auto notice = apptest::answerNextMessageBox();
        w.click("InsatsuBtn");
        QCOMPARE(notice->text, "前に選ばれていたプリンタが見つからないため、既定のプリンタ「" + m_spooler.queueName() + "」で印刷します。");
        auto again = apptest::answerNextMessageBox();
        w.click("InsatsuBtn");
        QCOMPARE(m_spooler.waitForJobs(jobs + 2).size(), jobs + 2);
        QVERIFY(!again->seen);
        QVERIFY(m_spooler.runTool("lpoptions", {"-d", m_spooler.queueName()})); // for the tests after this one
    }

    // A spooler frozen while 「印刷」 waits: the window keeps answering and
    // after a second offers 中止. Resumed, the slip prints; stopped with
    // 中止, it is said not to have printed, and it never comes out later.
    void frozenSpoolerKeepsTheWindowAnswering_data()
    {
        QTest::addColumn<bool>("giveUp");
        QTest::newRow("resumed") << false;
        QTest::newRow("中止") << true;
    }
    void frozenSpoolerKeepsTheWindowAnswering()
    {
        QFETCH(bool, giveUp);
        apptest::LoadedWindow w;
        w.window->show();
        const int before = int(m_spooler.waitForJobs(0, 0).size());
        m_spooler.freeze();
        bool answering = false;
        QTimer::singleShot(1500, w.window.get(), [&] {
            auto *wait = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
            answering = wait && wait->objectName() == "SpoolerWait" && wait->isVisible();
            if (wait && giveUp)
                wait->cancel();
            else
                m_spooler.thaw();
        });
        auto said = apptest::answerNextMessageBox();
        w.click("InsatsuBtn");
        m_spooler.thaw();
        QVERIFY(answering);
        QCOMPARE(said->seen, giveUp);
        QVERIFY2(!giveUp || said->text.contains("送り状は印刷していません"), qPrintable(said->text));
        QCOMPARE(m_spooler.waitForJobs(before + 1, giveUp ? 4000 : 15000).size(), before + (giveUp ? 0 : 1));
    }

    // Not answering, or not running, when the window starts: it shows and
    // answers 「終了」 at once; a print system started later is found by 「印刷」.
    void spoolerAwayAtStartUp()
    {
        m_spooler.freeze();
        {
            apptest::LoadedWindow w;
            w.window->show();
            QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
            QTRY_COMPARE(w.get<QLabel>("PurintaLb")->text(), "プリンタ：確認中…");
            auto exit = apptest::answerNextMessageBox(QMessageBox::No);
            QElapsedTimer answered;
            answered.start();
            w.click("zEndBtn");
            QVERIFY(exit->seen && answered.elapsed() < 2000);
        }
        m_spooler.thaw();
        m_spooler.halt();
        apptest::LoadedWindow w;
        w.window->show();
        QTRY_COMPARE(w.get<QLabel>("PurintaLb")->text(), "プリンタ：なし");
        QString why;
        QVERIFY2(m_spooler.startAgain(&why), qPrintable(why));
        const int before = int(m_spooler.waitForJobs(0, 0).size());
        auto said = apptest::answerNextMessageBox();
        w.click("InsatsuBtn");
        QVERIFY2(!said->seen, qPrintable(said->text));
        QCOMPARE(m_spooler.waitForJobs(before + 1).size(), before + 1);
    }
};

QTEST_MAIN(TestSpooler)
#include "test_spooler.moc"
