#include "qtprinter.h"

#include "runtimeerror.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPen>
#include <QPrinter>

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
    // print dialog's page setup left behind.
    const QPageLayout layout = m_printer.pageLayout();
    m_printer.setPageMargins(layout.minimumMargins(), layout.units());

    QPainter painter;
    if (!painter.begin(&m_printer)) {
        dropPage();
        if (printsToFile(m_printer)) {
            raisePrinterError(QStringLiteral("PDFファイル「%1」を書き込めませんでした。"
                                             "「プリンタの設定」で別のファイルを選んでください。")
                                  .arg(m_printer.outputFileName()));
        }
        raisePrinterError(QStringLiteral("プリンタ「%1」で印刷を始められませんでした。"
                                         "プリンタの状態を確かめるか、"
                                         "「プリンタの設定」で別のプリンタを選んでください。")
                              .arg(m_printer.printerName()));
    }

    const double scale = deviceUnitsPerTwip();
    const double dotsPerLineUnit = m_printer.resolution() / 600.0;
    painter.setBrush(Qt::NoBrush);
    for (const PageItem &item : m_page) {
        switch (item.kind) {
        case PageItem::Kind::Text: {
            painter.setFont(item.font);
            // drawText takes the baseline; the item holds the cell's top.
            const QFontMetricsF metrics(item.font, &m_printer);
            painter.drawText(QPointF(item.x * scale, item.y * scale + metrics.ascent()),
                             item.text);
            break;
        }
        case PageItem::Kind::Circle:
            painter.setPen(QPen(Qt::black, item.lineWidth * dotsPerLineUnit));
            painter.drawEllipse(QPointF(item.x * scale, item.y * scale),
                                item.radius * scale, item.radius * scale);
            break;
        }
    }
    const bool ended = painter.end();
    dropPage();
    if (!ended)
        raisePrinterError(QStringLiteral("ページを印刷に送れませんでした。"));
}

void QtPrinter::abortDoc() noexcept
{
    dropPage();
}

} // namespace nerufa
