#include "qtprinter.h"

#include "cupsqueues.h"
#include "fonts.h"
#include "pdfbook.h"
#include "runtimeerror.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPen>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>

#include <unistd.h>

namespace nerufa {

namespace {

[[noreturn]] void raisePrinterError(const QString &detail)
{
    throw RuntimeError(RuntimeError::Kind::PrinterError, detail);
}

bool printsToFile(const QPrinter &printer)
{
    return printer.outputFormat() == QPrinter::PdfFormat
        || !printer.outputFileName().isEmpty();
}

} // namespace

QtPrinter::QtPrinter(QPrinter &printer) : m_printer(printer) {}

QtPrinter::~QtPrinter() = default;

QString QtPrinter::noPrinterMessage()
{
    return QStringLiteral("プリンタが選ばれていません。"
                          "「プリンタの設定」でプリンタまたはPDFファイルを選んでください。");
}

double QtPrinter::deviceUnitsPerTwip() const
{
    return m_printer.resolution() / 1440.0;
}

void QtPrinter::beginPage()
{
    if (m_pageBegun)
        return;
    // With no CUPS printer installed Qt falls back to PDF output with no
    // file name, and a native printer with no name cannot print either.
    const bool noFile = printsToFile(m_printer) && m_printer.outputFileName().isEmpty();
    const bool noQueue = !printsToFile(m_printer) && m_printer.printerName().isEmpty();
    if (noFile || noQueue)
        raisePrinterError(noPrinterMessage());
    // Without a face that has the Japanese glyphs the page would come out
    // blank: refuse it before anything is drawn.
    if (!fonts::slipFaceHasJapanese())
        raisePrinterError(fonts::noJapaneseFontMessage());
    m_pageBegun = true;
}

void QtPrinter::dropPage() noexcept
{
    m_page.clear();
    m_pageBegun = false;
    m_x = 0.0f;
    m_y = 0.0f;
}

void QtPrinter::setFontName(const QString &face)
{
    beginPage();
    m_font.setFamily(face);
}

void QtPrinter::setFontSize(float points)
{
    beginPage();
    m_font.setPointSizeF(points);
}

float QtPrinter::fontSize() const
{
    return float(m_font.pointSizeF());
}

void QtPrinter::setFontBold(bool bold)
{
    beginPage();
    m_font.setBold(bold);
}

void QtPrinter::setCurrentX(float twips)
{
    beginPage();
    m_x = twips;
}

void QtPrinter::setCurrentY(float twips)
{
    beginPage();
    m_y = twips;
}

void QtPrinter::printText(const QString &text)
{
    beginPage();
    // An empty text shows nothing, but it still moves to the next line.
    if (!text.isEmpty())
        m_page.push_back({PageItem::Kind::Text, m_font, text, m_x, m_y, 0.0f, 0});
    const QFontMetricsF metrics(m_font, &m_printer);
    m_x = 0.0f;
    m_y += float(metrics.height() / deviceUnitsPerTwip());
}

void QtPrinter::setLineWidth(int width)
{
    beginPage();
    m_lineWidth = width;
}

void QtPrinter::circle(float centreX, float centreY, float radius)
{
    beginPage();
    m_page.push_back({PageItem::Kind::Circle, {}, {}, centreX, centreY, radius, m_lineWidth});
}

void QtPrinter::endDoc()
{
    beginPage();

    // Origin at the corner of the printable area, whatever margins the
    // printer came with.
    const QPageLayout layout = m_printer.pageLayout();
    m_printer.setPageMargins(layout.minimumMargins(), layout.units());

    if (m_book) {
        try {
            m_book->addPage(m_printer.pageLayout(), m_printer.resolution(),
                            [this](QPainter &painter) { paintPage(painter); });
        } catch (...) {
            dropPage();
            throw;
        }
        dropPage();
        return;
    }

    // The page is made in memory first, as the PDF that either goes into
    // the file or is sent to the queue. Nothing reaches either until the
    // whole page is made, so a failure can never leave half a page.
    QByteArray pdf;
    bool ended = false;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(m_printer.resolution());
        writer.setPageLayout(m_printer.pageLayout());
        QPainter painter;
        if (painter.begin(&writer)) {
            paintPage(painter);
            ended = painter.end();
        }
    }
    dropPage();
    if (!ended || pdf.isEmpty())
        raisePrinterError(QStringLiteral("ページを作れませんでした。"));

    if (printsToFile(m_printer))
        writePdfFile(m_printer.outputFileName(), pdf);
    else
        cupsqueues::submitPdf(m_printer.printerName(), pdf, m_printer.pageLayout().pageSize());
}

void QtPrinter::paintPage(QPainter &painter) const
{
    const double scale = deviceUnitsPerTwip();
    const double dotsPerLineUnit = m_printer.resolution() / 600.0;
    painter.setBrush(Qt::NoBrush);
    for (const PageItem &item : m_page) {
        switch (item.kind) {
        case PageItem::Kind::Text: {
            painter.setFont(item.font);
            // drawText takes the baseline; the item holds the cell's top.
            const QFontMetricsF metrics(item.font, &m_printer);
            painter.drawText(QPointF(item.x * scale, item.y * scale + metrics.ascent()), item.text);
            break;
        }
        case PageItem::Kind::Circle:
            painter.setPen(QPen(Qt::black, item.lineWidth * dotsPerLineUnit));
            painter.drawEllipse(QPointF(item.x * scale, item.y * scale), item.radius * scale, item.radius * scale);
            break;
        }
    }
}

void QtPrinter::writePdfFile(const QString &path, const QByteArray &pdf)
{
    // Written beside the target and renamed over it only when complete and
    // on the disk: a full disk or a failing write leaves an earlier file of
    // that name whole, and never a truncated one.
    QSaveFile file(path);
    QString reason;
    if (!file.open(QIODevice::WriteOnly)) {
        reason = QStringLiteral("フォルダがないか、書き込みが許されていません");
    } else if (file.write(pdf) != pdf.size() || !file.flush() || ::fsync(file.handle()) != 0 || !file.commit()) {
        reason = QStringLiteral("ディスクがいっぱいか、書き込みに失敗しました");
        file.cancelWriting();
    }
    if (!reason.isEmpty()) {
        raisePrinterError(QStringLiteral("PDFファイル「%1」を書き込めませんでした（%2：%3）。"
                                         "同じ名前の前のファイルはそのまま残っています。"
                                         "場所を空けるか、「プリンタの設定」で別のファイルを選んでください。")
                              .arg(path, reason, file.errorString()));
    }
}

void QtPrinter::abortDoc() noexcept
{
    dropPage();
}

} // namespace nerufa
