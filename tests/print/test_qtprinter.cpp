// The print jobs through the real QPrinter into a PDF file, looked at with
// poppler: where the texts and circles land in millimetres, which font is
// embedded, and what an aborted or impossible print leaves behind.
// Positions are layout tenths of a millimetre: the slip's 0.1 mm is 5.67
// twips, a hair over 0.1 mm.

#include "fonts.h"
#include "pdfprobe.h"
#include "printjobs.h"
#include "qtprinter.h"
#include "recordingprinter.h"
#include "runtimeerror.h"

#include <QPageLayout>
#include <QPrinter>
#include <QtTest>

using nerufa::QtPrinter;
using nerufa::RecordingPrinter;
using nerufa::RuntimeError;
namespace pdf = nerufa::testpdf;

namespace {

constexpr double kMmPerTenth = 5.67 * 25.4 / 1440.0;

nerufa::SlipSnapshot filledSlip(const QString &x, const QString &y)
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

// The slip or the position-check page with the given offsets.
nerufa::JobState printJob(bool check, nerufa::Printer &printer, const QString &x = "30", const QString &y = "70")
{
    nerufa::JobState state;
    if (check)
        nerufa::printPositionCheck(x, y, state, printer);
    else
        nerufa::printSlip(filledSlip(x, y), state, printer);
    return state;
}

void toFile(QPrinter &printer, const QString &path)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
}

// Checks the outline circle around centreMm (layout tenths in mm) on page 1
// of the PDF. Rendered at 1200 dpi one pixel is 0.021 mm, and the pen of
// two 600 dpi dots is 4 pixels wide. Returns an empty string, or what is wrong.
QString circleProblems(const QString &path, QPointF centreMm, double radiusMm)
{
    radiusMm *= 1.000125; // 5.67 twips per tenth
    const double pxPerMm = 1200 / 25.4;
    const int half = int((radiusMm + 1.0) * pxPerMm);
    const QPoint corner = (centreMm * pxPerMm).toPoint() - QPoint(half, half);
    QString error;
    const QImage area = pdf::renderArea(path, 1200, corner.x(), corner.y(), 2 * half, 2 * half, &error);
    QRect ink; // the dark pixels
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x)
            if (qGray(area.pixel(x, y)) < 128)
                ink |= QRect(x, y, 1, 1);
    if (ink.isEmpty())
        return QStringLiteral("no circle at (%1, %2) mm %3").arg(centreMm.x()).arg(centreMm.y()).arg(error);
    const QPointF inkCentre = (QPointF(ink.left() + ink.right() + 1, ink.top() + ink.bottom() + 1) / 2 + corner) / pxPerMm;
    const double diameter = ink.width() / pxPerMm;
    // Not filled: the middle is paper. The ring is as thick as the pen.
    int ring = 0;
    while (ring < ink.width() && qGray(area.pixel(ink.left() + ring, (ink.top() + ink.bottom()) / 2)) < 128)
        ++ring;
    if (qAbs(inkCentre.x() - centreMm.x()) > 0.05 || qAbs(inkCentre.y() - centreMm.y()) > 0.05
        || qAbs(diameter - (2 * radiusMm + 2.0 / 600 * 25.4)) > 0.05 || qGray(area.pixel(ink.center())) < 128
        || ring < 3 || ring > 5)
        return QStringLiteral("circle at (%1, %2) mm, %3 mm across, ring %4 px, expected at (%5, %6)")
            .arg(inkCentre.x()).arg(inkCentre.y()).arg(diameter).arg(ring).arg(centreMm.x()).arg(centreMm.y());
    return {};
}

} // namespace

class TestQtPrinter : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

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
        QTest::addColumn<double>("marginMm"); // what the page setup left behind; -1: Qt's default
        QTest::newRow("30/70, Qt's default margins") << "30" << "70" << -1.0;
        QTest::newRow("22/85, margins of 20 mm") << "22" << "85" << 20.0;
    }
    void slipTextsLandAtTheirPlaces()
    {
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(double, marginMm);
        QPrinter printer(QPrinter::HighResolution);
        const QString path = m_dir.filePath(QStringLiteral("slip.pdf"));
        toFile(printer, path);
        if (marginMm >= 0)
            printer.setPageMargins(QMarginsF(marginMm, marginMm, marginMm, marginMm), QPageLayout::Millimeter);
        const QPageSize paperBefore = printer.pageLayout().pageSize();
        QtPrinter qtPrinter(printer);
        // The size read back is the 14 pt as set, not the 13.98 the device rounds it to.
        QCOMPARE(printJob(false, qtPrinter, x, y).verticalCorrection, QStringLiteral("-21"));
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
        const QString circle = circleProblems(path, QPointF(x.toDouble() + 582, y.toDouble() + 376) * kMmPerTenth, 2.0);
        QVERIFY2(circle.isEmpty(), qPrintable(circle)); // 希望なし

        const QList<pdf::Font> fonts = pdf::readFonts(path, &error);
        QVERIFY2(error.isEmpty() && !fonts.isEmpty(), qPrintable(error));
        for (const pdf::Font &font : fonts)
            QVERIFY2(font.name == u"IPAPGothic" && font.embedded, qPrintable(font.name));
    }

    void positionCheckPage()
    {
        QPrinter printer(QPrinter::HighResolution);
        const QString path = m_dir.filePath(QStringLiteral("check.pdf"));
        toFile(printer, path);
        QtPrinter qtPrinter(printer);
        printJob(true, qtPrinter, "0", "0");
        QString error;
        QCOMPARE(pdf::readText(path, &error).pages, 1);
        for (const QString &problem : {circleProblems(path, QPointF(776, 36) * kMmPerTenth, 0.3),
                                       circleProblems(path, QPointF(1408, 36) * kMmPerTenth, 0.3)})
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    void failedPrintLeavesNothingBehind_data()
    {
        QTest::addColumn<bool>("check");
        QTest::addColumn<QString>("file"); // empty: no printer and no file chosen
        QTest::addColumn<bool>("oldFile");
        QTest::addColumn<int>("failAt"); // the call made to fail; 0: the end of document; -1: none
        QTest::newRow("slip fails mid-way") << false << "mid-way.pdf" << false << 60;
        QTest::newRow("slip fails at the end, old file") << false << "end.pdf" << true << 0;
        QTest::newRow("check fails at its second circle, old file") << true << "check.pdf" << true << 3;
        QTest::newRow("slip, no printer chosen") << false << "" << false << -1;
        QTest::newRow("check, no printer chosen") << true << "" << false << -1;
        QTest::newRow("slip, file in a missing folder") << false << "missing/slip.pdf" << false << -1;
    }
    void failedPrintLeavesNothingBehind()
    {
        QFETCH(bool, check);
        QFETCH(QString, file);
        QFETCH(bool, oldFile);
        QFETCH(int, failAt);
        // No printer and no file is what Qt gives when no CUPS printer is
        // installed and none is chosen.
        const QString path = file.isEmpty() ? QString() : m_dir.filePath(file);
        QFile output(path);
        if (oldFile)
            QVERIFY(output.open(QIODevice::WriteOnly) && output.write("old") == 3);
        output.close();
        if (failAt == 0) {
            RecordingPrinter count;
            printJob(check, count);
            failAt = int(count.calls().size());
        }
        QPrinter printer(QPrinter::HighResolution);
        toFile(printer, path);
        QtPrinter qtPrinter(printer);
        RecordingPrinter watch(&qtPrinter);
        watch.failAtCall(qMax(failAt, 0));
        try {
            printJob(check, watch);
            QFAIL("no error raised");
        } catch (const RuntimeError &e) {
            QCOMPARE(e.kind(), RuntimeError::Kind::PrinterError);
            if (file.isEmpty()) {
                QCOMPARE(e.detail(), QtPrinter::noPrinterMessage());
                QVERIFY(e.message().contains(QStringLiteral("「プリンタの設定」")));
                QCOMPARE(watch.calls().size(), 2); // the very first operation, then the abort
            } else if (failAt < 0) {
                QVERIFY(e.detail().contains(path));
            }
        }
        QCOMPARE(watch.calls().last(), RecordingPrinter::Call::abortDoc());
        QVERIFY(!qtPrinter.pageBegun());
        if (oldFile) {
            QVERIFY(output.open(QIODevice::ReadOnly));
            QCOMPARE(output.readAll(), QByteArray("old"));
        } else {
            QVERIFY(path.isEmpty() || !output.exists());
        }
    }
};

QTEST_MAIN(TestQtPrinter)
#include "test_qtprinter.moc"
