// The print jobs on the page printer into a PDF file, looked at with
// poppler: where texts and circles land in millimetres, which font is
// embedded, and what a failed print leaves behind.

#include "fonts.h"
#include "pdfprobe.h"
#include "printjobs.h"
#include "pagedestination.h"
#include "spoolerwait.h"
#include "pageprinter.h"
#include "recordingprinter.h"
#include "runtimeerror.h"
#include "testsupport.h"

#include <QtTest>

using nerufa::testsupport::guardRow;
namespace pdf = nerufa::testpdf;


class TestPagePrinter : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    nerufa::PlainWaiting waiting;

private slots:
    void initTestCase()
    {
        if (!pdf::toolsAvailable())
            QSKIP("poppler-utils (pdftotext, pdffonts, pdftoppm) are not installed");
        nerufa::fonts::registerSubstitutions();
    }

    // Offsets 22/85: the page starts at the printable area's corner, which
    // is the paper's for a PDF file.
    void slipAndCheckLandAtTheirPlaces()
    {
        const QString slipPath = m_dir.filePath("slip.pdf"), checkPath = m_dir.filePath("check.pdf");
        using Choice = nerufa::PrinterChoice;
        nerufa::SlipSnapshot slip = nerufa::testsupport::filledSlip();
        slip.offsetXText = "22";
        slip.offsetYText = "85";
        nerufa::JobState state;
        for (const QString &path : {slipPath, checkPath}) {
            const auto destination = nerufa::openDestination({Choice::Kind::PdfFile, path, {}, {}}, waiting);
            nerufa::PagePrinter printer(*destination);
            if (path == slipPath)
                nerufa::printSlip(slip, state, printer);
            else
                nerufa::printPositionCheck("22", "85", state, printer);
            destination->finish();
        }
        // The size read back is the 14 pt as set, not the 13.98 the device rounds it to.
        QCOMPARE(state.verticalCorrection, QStringLiteral("-21"));

        QString error;
        const pdf::TextLayout text = pdf::readText(slipPath, &error);
        QCOMPARE(text.pages, 1);
        const QString wrong = pdf::checkSlipTexts(text, {{"1", 840, 156}, {"5", 1211, 156}, {"山田太郎", 750, 490},
                                                         {"田中様方", 900, 861}, {"15", 485, 250}, {"46000", 1995, 920}}, -8, 15);
        QVERIFY2(wrong.isEmpty() && error.isEmpty(), qPrintable(wrong + error));
        QCOMPARE(pdf::readFonts(slipPath, &error), QStringList{"IPAPGothic"}); // the one face, embedded
        QCOMPARE(pdf::circleProblem(slipPath, QPointF(612 - 8, 446 + 15), 2.0), QString()); // 希望なし
        QCOMPARE(pdf::readText(checkPath, &error).pages, 1);
        QCOMPARE(pdf::circleProblem(checkPath, QPointF(806 - 8, 106 + 15), 0.3), QString());
        QCOMPARE(pdf::circleProblem(checkPath, QPointF(1438 - 8, 106 + 15), 0.3), QString());
    }

    // A failed print leaves no page: the file chosen as output keeps what it
    // held, and the next good print carries none of the failed slip's texts.
    void failedPrintLeavesNothingBehind_data()
    {
        QTest::addColumn<bool>("check"); // the position-check print fails, else the slip
        QTest::addColumn<int>("failAt"); // the call made to fail; 0: the end of document
        QTest::newRow("slip fails mid-way") << false << 60;
        QTest::newRow("slip fails at the end") << false << 0;
        QTest::newRow("check fails at its second circle") << true << 3;
    }
    void failedPrintLeavesNothingBehind()
    {
        guardRow([&] {
            QFETCH(bool, check);
            QFETCH(int, failAt);
            const nerufa::PrinterChoice choice{nerufa::PrinterChoice::Kind::PdfFile, m_dir.filePath("old.pdf"), {}, {}};
            QFile output(choice.target);
            QVERIFY(output.open(QIODevice::WriteOnly) && output.write("old") == 3);
            output.close();
            nerufa::SlipSnapshot failing = nerufa::testsupport::filledSlip();
            failing.recipientName = QStringLiteral("中止分");
            nerufa::JobState state;
            if (failAt == 0) {
                nerufa::RecordingPrinter count;
                nerufa::printSlip(failing, state, count);
                failAt = int(count.calls().size());
            }
            auto destination = nerufa::openDestination(choice, waiting);
            nerufa::PagePrinter pagePrinter(*destination);
            nerufa::RecordingPrinter watch(&pagePrinter);
            watch.failAtCall(failAt);
            QVERIFY_THROWS_EXCEPTION(nerufa::RuntimeError, check ? nerufa::printPositionCheck("30", "70", state, watch)
                                                                 : nerufa::printSlip(failing, state, watch));
            QCOMPARE(watch.calls().last(), QStringLiteral("abortDoc"));
            QVERIFY(output.open(QIODevice::ReadOnly) && output.readAll() == "old");
            destination = nerufa::openDestination(choice, waiting);
            nerufa::PagePrinter next(*destination);
            nerufa::printSlip(nerufa::testsupport::filledSlip(), state, next);
            destination->finish();
            QString error;
            const pdf::TextLayout text = pdf::readText(choice.target, &error);
            QCOMPARE(text.pages, 1);
            QCOMPARE(pdf::wordsNamed(text, QStringLiteral("山田太郎")).size(), 1);
            QVERIFY(pdf::wordsNamed(text, QStringLiteral("中止分")).isEmpty());
        });
    }
};

QTEST_MAIN(TestPagePrinter)
#include "test_pageprinter.moc"
