// A slip printed through a real print spooler: a private cupsd with a queue
// that stores what it receives. The stored job is the page a printer would
// get; it is checked like a PDF file. Skips when no spooler can be started,
// unless NERUFA_REQUIRE_SPOOLER is set.

#include "fonts.h"
#include "pdfinspect.h"
#include "printjobs.h"
#include "qtprinter.h"
#include "recordingprinter.h"
#include "runtimeerror.h"
#include "spooler.h"

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QtTest>

using nerufa::JobState;
using nerufa::QtPrinter;
using nerufa::SlipSnapshot;
namespace pdf = nerufa::testpdf;

namespace {

SlipSnapshot slip(const QString &name)
{
    SlipSnapshot s;
    s.offsetXText = QStringLiteral("33");
    s.offsetYText = QStringLiteral("66");
    s.recipientPostal = QStringLiteral("1234567");
    s.recipientAddress1 = QStringLiteral("東京都千代田区");
    s.recipientName = name;
    s.recipientPhone = QStringLiteral("03-1111-2222");
    s.timeSlot = 6;
    s.notification = 1;
    s.goods1 = QStringLiteral("りんご");
    s.numericToggleDown = true;
    s.total = QStringLiteral("5000");
    return s;
}

} // namespace

class TestSpoolerPrint : public QObject {
    Q_OBJECT

    nerufa::testspooler::Spooler m_spooler;

private slots:
    void initTestCase()
    {
        // Before anything touches CUPS: libcups reads CUPS_SERVER once.
        if (!pdf::toolsAvailable())
            NERUFA_SKIP_OR_FAIL(QStringLiteral("poppler-utils (pdftotext, pdffonts) are not installed"));
        QString whyNot;
        if (!m_spooler.start(&whyNot))
            NERUFA_SKIP_OR_FAIL(QStringLiteral("no private print spooler: ") + whyNot);
        nerufa::fonts::registerSubstitutions();
    }

    void cleanupTestCase() { m_spooler.stop(); }

    void queueIsThePrinter()
    {
        QCOMPARE(QPrinterInfo::defaultPrinterName(), m_spooler.queueName());
        const QPrinter printer(QPrinter::HighResolution);
        QCOMPARE(printer.outputFormat(), QPrinter::NativeFormat);
        QCOMPARE(printer.printerName(), m_spooler.queueName());
        QCOMPARE(printer.resolution(), 1200);
    }

    void slipReachesThePrinterAndAnAbortedOneDoesNot()
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPrinterName(m_spooler.queueName());
        QtPrinter qtPrinter(printer);

        // First a slip that fails half-way: nothing of it may reach the queue.
        {
            nerufa::RecordingPrinter failing(&qtPrinter);
            failing.failAtCall(60); // after the name is placed
            JobState state;
            QVERIFY_THROWS_EXCEPTION(nerufa::RuntimeError,
                                     nerufa::printSlip(slip(QStringLiteral("中止分")), state, failing));
        }
        JobState state;
        nerufa::printSlip(slip(QStringLiteral("山田太郎")), state, qtPrinter);

        // The queue handles jobs in order, so an aborted page that had been
        // sent would be stored before this one.
        const QStringList jobs = m_spooler.waitForJobs(1);
        QVERIFY2(jobs.size() == 1, qPrintable(m_spooler.errorLog()));

        QString error;
        const pdf::TextLayout text = pdf::readText(jobs.first(), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(text.pages, 1);
        QVERIFY(pdf::wordsNamed(text, QStringLiteral("中止分")).isEmpty());
        const QPointF origin = printer.pageLayout().paintRect(QPageLayout::Millimeter).topLeft();
        const QString wrong = pdf::checkSlipTexts(
            text,
            {{"1", 840, 156}, {"2", 930, 156}, {"3", 1020, 156}, {"4", 1121, 156}, {"5", 1211, 156},
             {"6", 1301, 156}, {"7", 1391, 156}, {"山田太郎", 750, 490}, {"5000", 1995, 920}},
            3, -4, origin);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));

        const QList<pdf::Font> fonts = pdf::readFonts(jobs.first(), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(!fonts.isEmpty());
        for (const pdf::Font &font : fonts) {
            QCOMPARE(font.name, QStringLiteral("IPAPGothic"));
            QVERIFY(font.embedded);
        }
    }
};

QTEST_MAIN(TestSpoolerPrint)
#include "test_spooler_print.moc"
