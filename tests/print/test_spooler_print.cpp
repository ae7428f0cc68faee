// A slip printed through a real print spooler: a private cupsd with a queue
// that stores what it receives. The stored job is the page a printer would
// get; it is checked like a PDF file. Skips when no spooler can be started,
// unless NERUFA_REQUIRE_SPOOLER is set.

#include "fonts.h"
#include "pdfprobe.h"
#include "printjobs.h"
#include "qtprinter.h"
#include "recordingprinter.h"
#include "runtimeerror.h"
#include "spooler.h"

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QtTest>

namespace pdf = nerufa::testpdf;

class TestSpoolerPrint : public QObject {
    Q_OBJECT

    nerufa::testspooler::Spooler m_spooler;

private slots:
    void initTestCase()
    {
        // Before anything touches CUPS: libcups reads CUPS_SERVER once.
        if (!pdf::toolsAvailable())
            NERUFA_SKIP_OR_FAIL(QStringLiteral("poppler-utils are not installed"));
        QString whyNot;
        if (!m_spooler.start(&whyNot))
            NERUFA_SKIP_OR_FAIL(QStringLiteral("no private print spooler: ") + whyNot);
        nerufa::fonts::registerSubstitutions();
    }

    void cleanupTestCase() { m_spooler.stop(); }

    void slipReachesThePrinterAndAnAbortedOneDoesNot()
    {
        // The queue is the default printer, which a new QPrinter takes.
        QCOMPARE(QPrinterInfo::defaultPrinterName(), m_spooler.queueName());
        QPrinter printer(QPrinter::HighResolution);
        QCOMPARE(printer.outputFormat(), QPrinter::NativeFormat);
        QCOMPARE(printer.printerName(), m_spooler.queueName());
        QCOMPARE(printer.resolution(), 1200);
        nerufa::QtPrinter qtPrinter(printer);

        nerufa::SlipSnapshot slip;
        slip.offsetXText = QStringLiteral("33");
        slip.offsetYText = QStringLiteral("66");
        slip.recipientPostal = QStringLiteral("1234567");
        slip.recipientName = QStringLiteral("中止分");
        slip.numericToggleDown = true;
        slip.total = QStringLiteral("5000");
        // First a slip that fails after its name is placed: nothing of it
        // may reach the queue.
        nerufa::JobState state;
        nerufa::RecordingPrinter failing(&qtPrinter);
        failing.failAtCall(60);
        QVERIFY_THROWS_EXCEPTION(nerufa::RuntimeError, nerufa::printSlip(slip, state, failing));
        slip.recipientName = QStringLiteral("山田太郎");
        nerufa::printSlip(slip, state, qtPrinter);

        // The queue handles jobs in order, so an aborted page that had been
        // sent would be stored before this one.
        const QStringList jobs = m_spooler.waitForJobs(1);
        QVERIFY2(jobs.size() == 1, qPrintable(m_spooler.errorLog()));
        QString error;
        const pdf::TextLayout text = pdf::readText(jobs.first(), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(text.pages, 1);
        QVERIFY(pdf::wordsNamed(text, QStringLiteral("中止分")).isEmpty());
        const QString wrong = pdf::checkSlipTexts(
            text,
            {{"1", 840, 156}, {"2", 930, 156}, {"3", 1020, 156}, {"4", 1121, 156}, {"5", 1211, 156},
             {"6", 1301, 156}, {"7", 1391, 156}, {"山田太郎", 750, 490}, {"5000", 1995, 920}},
            3, -4, printer.pageLayout().paintRect(QPageLayout::Millimeter).topLeft());
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }
};

QTEST_MAIN(TestSpoolerPrint)
#include "test_spooler_print.moc"
