// The print jobs through the real QPrinter into a PDF file, looked at with
// poppler: where the texts and circles land in millimetres, which font is
// embedded, and what an aborted or impossible print leaves behind.

#include "fonts.h"
#include "pdfinspect.h"
#include "printjobs.h"
#include "qtprinter.h"
#include "recordingprinter.h"
#include "runtimeerror.h"

#include <QPageLayout>
#include <QPrinter>
#include <QtTest>

using nerufa::JobState;
using nerufa::QtPrinter;
using nerufa::RecordingPrinter;
using nerufa::RuntimeError;
using nerufa::SlipSnapshot;
namespace pdf = nerufa::testpdf;

namespace {

// One tenth of a millimetre on the slip is 5.67 twips, a hair over 0.1 mm.
constexpr double kMmPerTenth = 5.67 * 25.4 / 1440.0;

SlipSnapshot filledSlip(const QString &x, const QString &y)
{
    return {
        .offsetXText = x, .offsetYText = y,
        .recipientPostal = "1234567", .recipientAddress1 = "東京都千代田区丸の内",
        .recipientAddress2 = "一丁目ビル１２階", .recipientName = "山田太郎",
        .recipientCareOf = "佐藤様方", .recipientCareOfVisible = true, .recipientPhone = "03-1111-2222",
        .senderPostal = "8889999", .senderAddress1 = "大阪府大阪市北区", .senderAddress2 = "梅田三丁目",
        .senderName = "鈴木花子", .senderCareOf = "田中様方", .senderCareOfVisible = false,
        .senderPhone = "06-3333-4444",
        .desiredMonth = "03", .desiredMonthVisible = true, .desiredDay = "15", .desiredDayVisible = true,
        .timeSlot = 6, .notification = 1,
        .goods1 = "りんご（青森産）", .goods2 = "みかん", .productNumber1 = "A-100", .productNumber2 = "B-200",
        .numericToggleDown = true, .quantity1 = "10", .quantity2 = "12", .unitPrice1 = "4000",
        .unitPrice2 = "4000", .amount1 = "40000", .amount2 = "48000", .total = "88000"};
}

// The dark pixels of a grey image: their bounding box.
QRect inkBox(const QImage &image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class TestQtPrinter : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString pdfPath(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    static void toFile(QPrinter &printer, const QString &path)
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
    }

private slots:
    void initTestCase()
    {
        if (!pdf::toolsAvailable())
            QSKIP("poppler-utils (pdftotext, pdffonts, pdftoppm) are not installed");
        QVERIFY(m_dir.isValid());
        nerufa::fonts::registerSubstitutions();
    }

    void slipTextsLandAtTheirPlaces_data()
    {
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<double>("marginMm"); // what the page setup left behind
        QTest::newRow("30/70, Qt's default margins") << "30" << "70" << -1.0;
        QTest::newRow("22/85, margins of 20 mm") << "22" << "85" << 20.0;
        QTest::newRow("0/0, no margins") << "0" << "0" << 0.0;
    }
    void slipTextsLandAtTheirPlaces()
    {
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(double, marginMm);
        QPrinter printer(QPrinter::HighResolution);
        const QString path = pdfPath("slip.pdf");
        toFile(printer, path);
        if (marginMm >= 0)
            printer.setPageMargins(QMarginsF(marginMm, marginMm, marginMm, marginMm), QPageLayout::Millimeter);
        const QPageSize paperBefore = printer.pageLayout().pageSize();

        QtPrinter qtPrinter(printer);
        JobState state;
        nerufa::printSlip(filledSlip(x, y), state, qtPrinter);
        QCOMPARE(state.verticalCorrection, QStringLiteral("-21"));
        // The origin is the paper corner for a PDF file; the paper stays.
        QCOMPARE(printer.pageLayout().paintRect(QPageLayout::Millimeter).topLeft(), QPointF(0, 0));
        QCOMPARE(printer.pageLayout().pageSize(), paperBefore);

        QString error;
        const pdf::TextLayout text = pdf::readText(path, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(text.pages, 1);

        const QString wrong = pdf::checkSlipTexts(
            text,
            {{"1", 840, 156}, {"2", 930, 156}, {"3", 1020, 156}, {"4", 1121, 156}, {"5", 1211, 156},
             {"6", 1301, 156}, {"7", 1391, 156}, {"山田太郎", 750, 490}, {"88000", 1995, 920}},
            x.toDouble() - 30, y.toDouble() - 70);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QVERIFY(pdf::wordsNamed(text, QStringLiteral("田中様方")).isEmpty()); // hidden care-of

        const QList<pdf::Font> fonts = pdf::readFonts(path, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(!fonts.isEmpty());
        for (const pdf::Font &font : fonts) {
            QCOMPARE(font.name, QStringLiteral("IPAPGothic"));
            QVERIFY(font.embedded);
        }
    }

    void circlesAreOutlinesAtTheirCentres_data()
    {
        QTest::addColumn<bool>("check");  // position-check page or slip
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<QPointF>("centreMm");
        QTest::addColumn<double>("radiusMm");
        QTest::newRow("check left, 30/70") << true << "30" << "70" << QPointF(806 * kMmPerTenth, 106 * kMmPerTenth) << 0.3 * 1.000125;
        QTest::newRow("check right, 0/0") << true << "0" << "0" << QPointF(1408 * kMmPerTenth, 36 * kMmPerTenth) << 0.3 * 1.000125;
        QTest::newRow("slip 希望なし, 45/58") << false << "45" << "58" << QPointF(627 * kMmPerTenth, 434 * kMmPerTenth) << 2.0 * 1.000125;
        QTest::newRow("slip 必要, 30/70") << false << "30" << "70" << QPointF(1582 * kMmPerTenth, 368 * kMmPerTenth) << 2.0 * 1.000125;
    }
    void circlesAreOutlinesAtTheirCentres()
    {
        QFETCH(bool, check);
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(QPointF, centreMm);
        QFETCH(double, radiusMm);
        QPrinter printer(QPrinter::HighResolution);
        const QString path = pdfPath("marks.pdf");
        toFile(printer, path);
        QtPrinter qtPrinter(printer);
        JobState state;
        if (check)
            nerufa::printPositionCheck(x, y, state, qtPrinter);
        else
            nerufa::printSlip(filledSlip(x, y), state, qtPrinter);

        // Rendered at 1200 dpi, one pixel is 0.021 mm; the pen of two
        // 600 dpi dots is 4 pixels wide.
        const double pxPerMm = 1200 / 25.4;
        const int half = int((radiusMm + 1.0) * pxPerMm);
        const QPoint centrePx = (centreMm * pxPerMm).toPoint();
        QString error;
        const QImage area = pdf::renderArea(path, 1200, centrePx.x() - half, centrePx.y() - half,
                                            2 * half, 2 * half, &error);
        QVERIFY2(!area.isNull(), qPrintable(error));
        const QRect ink = inkBox(area);
        QVERIFY(!ink.isEmpty());
        const QPointF inkCentreMm = (QPointF(ink.left() + ink.right() + 1, ink.top() + ink.bottom() + 1) / 2
                                     + QPointF(centrePx.x() - half, centrePx.y() - half)) / pxPerMm;
        QVERIFY2(qAbs(inkCentreMm.x() - centreMm.x()) <= 0.05 && qAbs(inkCentreMm.y() - centreMm.y()) <= 0.05,
                 qPrintable(QStringLiteral("centre at (%1, %2) mm").arg(inkCentreMm.x()).arg(inkCentreMm.y())));
        const double pen = 2.0 / 600 * 25.4;
        QVERIFY2(qAbs(ink.width() / pxPerMm - (2 * radiusMm + pen)) <= 0.05,
                 qPrintable(QStringLiteral("diameter %1 mm").arg(ink.width() / pxPerMm)));
        // Not filled: the middle is paper. The ring is as thick as the pen.
        const int midY = (ink.top() + ink.bottom()) / 2;
        QVERIFY(qGray(area.pixel(ink.center())) >= 128);
        int ring = 0;
        while (qGray(area.pixel(ink.left() + ring, midY)) < 128)
            ++ring;
        QVERIFY2(ring >= 3 && ring <= 5, qPrintable(QStringLiteral("ring %1 px").arg(ring)));
    }

    void abortedPrintLeavesTheFileAlone_data()
    {
        QTest::addColumn<bool>("oldFile");
        QTest::addColumn<bool>("check");
        QTest::addColumn<int>("failAt"); // 0: at the end of document
        QTest::newRow("slip mid-way, no file before") << false << false << 60;
        QTest::newRow("slip at the end, old file") << true << false << 0;
        QTest::newRow("check second circle, old file") << true << true << 3;
    }
    void abortedPrintLeavesTheFileAlone()
    {
        QFETCH(bool, oldFile);
        QFETCH(bool, check);
        QFETCH(int, failAt);
        const QString path = pdfPath("aborted.pdf");
        QFile::remove(path);
        if (oldFile) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("old");
        }
        QPrinter printer(QPrinter::HighResolution);
        toFile(printer, path);
        QtPrinter qtPrinter(printer);
        RecordingPrinter failing(&qtPrinter);
        const auto run = [&] {
            JobState state;
            if (check)
                nerufa::printPositionCheck(QStringLiteral("30"), QStringLiteral("70"), state, failing);
            else
                nerufa::printSlip(filledSlip(QStringLiteral("30"), QStringLiteral("70")), state, failing);
        };
        if (failAt == 0) {
            RecordingPrinter count;
            JobState state;
            nerufa::printSlip(filledSlip(QStringLiteral("30"), QStringLiteral("70")), state, count);
            failAt = int(count.calls().size());
        }
        failing.failAtCall(failAt);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, run());
        QVERIFY(!qtPrinter.pageBegun());
        if (oldFile) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), QByteArray("old"));
        } else {
            QVERIFY(!QFile::exists(path));
        }
    }

    void noPrinterChosenSaysWhereToChooseOne_data()
    {
        QTest::addColumn<bool>("check");
        QTest::newRow("slip") << false;
        QTest::newRow("position check") << true;
    }
    void noPrinterChosenSaysWhereToChooseOne()
    {
        QFETCH(bool, check);
        // What Qt gives when no CUPS printer is installed and none is chosen.
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString());
        QtPrinter qtPrinter(printer);
        RecordingPrinter watch(&qtPrinter);
        JobState state;
        try {
            if (check)
                nerufa::printPositionCheck(QStringLiteral("30"), QStringLiteral("70"), state, watch);
            else
                nerufa::printSlip(filledSlip(QStringLiteral("30"), QStringLiteral("70")), state, watch);
            QFAIL("no error raised");
        } catch (const RuntimeError &e) {
            QCOMPARE(e.kind(), RuntimeError::Kind::PrinterError);
            QCOMPARE(e.detail(), QtPrinter::noPrinterMessage());
            QVERIFY(e.message().contains(QStringLiteral("「プリンタの設定」")));
        }
        // It stops at the very first printer operation.
        QCOMPARE(watch.calls().size(), 2);
        QCOMPARE(watch.calls().last(), RecordingPrinter::Call::abortDoc());
    }

    void unwritableFileIsAPrinterError()
    {
        QPrinter printer(QPrinter::HighResolution);
        const QString path = m_dir.filePath(QStringLiteral("missing-folder/slip.pdf"));
        toFile(printer, path);
        QtPrinter qtPrinter(printer);
        JobState state;
        try {
            nerufa::printSlip(filledSlip(QStringLiteral("30"), QStringLiteral("70")), state, qtPrinter);
            QFAIL("no error raised");
        } catch (const RuntimeError &e) {
            QCOMPARE(e.kind(), RuntimeError::Kind::PrinterError);
            QVERIFY(e.detail().contains(path));
        }
        QVERIFY(!qtPrinter.pageBegun());
        QVERIFY(!QFile::exists(path));
    }

    void fontSizeAndPositionAfterText()
    {
        QPrinter printer(QPrinter::HighResolution);
        toFile(printer, pdfPath("unused.pdf"));
        QtPrinter qtPrinter(printer);
        qtPrinter.setFontName(nerufa::fonts::slipFace());
        qtPrinter.setFontSize(14);
        // The size as set, not the 13.98 the 1200 dpi device rounds it to.
        QVERIFY(qtPrinter.fontSize() == 14.0f);
        qtPrinter.setCurrentX(1000);
        qtPrinter.setCurrentY(2000);
        qtPrinter.printText(QStringLiteral("行"));
        QVERIFY(qtPrinter.currentX() == 0.0f);
        // One line of a 14 pt face: more than 14 pt (280 twips), less than 1.5 lines.
        QVERIFY2(qtPrinter.currentY() > 2280 && qtPrinter.currentY() < 2420,
                 qPrintable(QString::number(qtPrinter.currentY())));
        qtPrinter.abortDoc();
        QVERIFY(!QFile::exists(pdfPath("unused.pdf")));
    }
};

QTEST_MAIN(TestQtPrinter)
#include "test_qtprinter.moc"
