// The whole road of a slip to a real print spooler: fields typed into the
// window, 「印刷」 clicked, and the page a printer would get taken from a
// private cupsd. A slip that fails half-way before it must not reach the
// queue at all. Skips when no spooler can be started, unless
// NERUFA_REQUIRE_SPOOLER is set.
#include "apptest.h"
#include "pdfprobe.h"
#include "printerchoice.h"
#include "printjobs.h"
#include "qtprinter.h"
#include "recordingprinter.h"
#include "spooler.h"
#include "testsupport.h"

#include <QPageLayout>
#include <QPrinter>
#include <QtTest>

namespace pdf = nerufa::testpdf;

class TestSpooler : public QObject {
    Q_OBJECT

    nerufa::testspooler::Spooler m_spooler;

private slots:
    void initTestCase()
    {
        // Before the first window: its printer touches CUPS, and libcups
        // reads CUPS_SERVER only once.
        if (!pdf::toolsAvailable())
            NERUFA_SKIP_OR_FAIL(QStringLiteral("poppler-utils are not installed"));
        QString whyNot;
        if (!m_spooler.start(&whyNot))
            NERUFA_SKIP_OR_FAIL(QStringLiteral("no private print spooler: ") + whyNot);
        apptest::setupTestApplication();
    }

    void cleanupTestCase() { m_spooler.stop(); }

    void printButtonSendsTheSlipAndAFailedOneSendsNothing()
    {
        apptest::LoadedWindow w;
        QCOMPARE(w.window->printerChoice().target, m_spooler.queueName());
        const auto queue = nerufa::makePrinter(w.window->printerChoice());
        QCOMPARE(queue->resolution(), 1200);
        {
            nerufa::SlipSnapshot failing = nerufa::testsupport::filledSlip();
            failing.recipientName = QStringLiteral("中止分");
            nerufa::QtPrinter qtPrinter(*queue);
            nerufa::RecordingPrinter printer(&qtPrinter);
            printer.failAtCall(60);
            nerufa::JobState state;
            QVERIFY_THROWS_EXCEPTION(std::exception, nerufa::printSlip(failing, state, printer));
        }
        w.window->show();
        w.edit("Sayuu_Xtxt")->setText(QStringLiteral("31"));
        w.edit("Jyouge_Ytxt")->setText(QStringLiteral("72"));
        apptest::type(w.edit("T_1_Yuubin"), QStringLiteral("9876542"));
        apptest::commitThroughInputMethod(w.edit("T_4_Namae"), QStringLiteral("山田太郎"));
        w.click("C_1_Samakata");
        apptest::commitThroughInputMethod(w.edit("T_5_Samakata"), QStringLiteral("鈴木"));
        w.click("SuujiNyuuryokuBtn");
        w.edit("GoukeiBox")->setText(QStringLiteral("1750"));
        w.click("InsatsuBtn");

        // The queue handles jobs in order, so a failed page that had been
        // sent would be stored before this one.
        const QStringList jobs = m_spooler.waitForJobs(1);
        QVERIFY2(jobs.size() == 1, qPrintable(m_spooler.errorLog()));
        QString error;
        const pdf::TextLayout text = pdf::readText(jobs.first(), &error);
        QCOMPARE(text.pages, 1);
        QVERIFY(pdf::wordsNamed(text, QStringLiteral("中止分")).isEmpty());
        // The job paints from the printable area's corner.
        queue->setPageMargins(queue->pageLayout().minimumMargins(), queue->pageLayout().units());
        const QPointF origin = queue->pageLayout().paintRect(QPageLayout::Millimeter).topLeft();
        const QString wrong = pdf::checkSlipTexts(
            text, {{"9", 840, 156}, {"6", 1121, 156}, {"2", 1391, 156}, {"山田太郎", 750, 490}, {"鈴木", 900, 435},
                   {"1750", 1995, 920}}, 1, 2, origin);
        QVERIFY2(wrong.isEmpty() && error.isEmpty(), qPrintable(wrong + error));
    }
};

QTEST_MAIN(TestSpooler)
#include "test_spooler.moc"
