#include "pageprinter.h"

#include "fonts.h"
#include "pagedestination.h"
#include "runtimeerror.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>

namespace nerufa {

PagePrinter::PagePrinter(PageDestination &destination) : m_destination(destination) {}

PagePrinter::~PagePrinter() = default;

void PagePrinter::beginPage()
{
    if (m_pageBegun)
        return;
    // Without a face that has the Japanese glyphs the page would come out
    // blank: refuse it before anything is drawn.
    if (!fonts::slipFaceHasJapanese())
        throw RuntimeError(RuntimeError::Kind::PrinterError, fonts::noJapaneseFontMessage());
    m_pageBegun = true;
}

void PagePrinter::dropPage() noexcept
{
    m_page.clear();
    m_pageBegun = false;
    m_x = 0.0f;
    m_y = 0.0f;
}

void PagePrinter::setFontName(const QString &face)
{
    beginPage();
    m_font.setFamily(face);
}

void PagePrinter::setFontSize(float points)
{
    beginPage();
    m_font.setPointSizeF(points);
}

float PagePrinter::fontSize() const
{
    return float(m_font.pointSizeF());
}

void PagePrinter::setFontBold(bool bold)
{
    beginPage();
    m_font.setBold(bold);
}

void PagePrinter::setCurrentX(float twips)
{
    beginPage();
    m_x = twips;
}

void PagePrinter::setCurrentY(float twips)
{
    beginPage();
    m_y = twips;
}

void PagePrinter::printText(const QString &text)
{
    beginPage();
    // An empty text shows nothing.
    if (!text.isEmpty())
        m_page.push_back({PageItem::Kind::Text, m_font, text, m_x, m_y, 0.0f, 0});
}

void PagePrinter::setLineWidth(int width)
{
    beginPage();
    m_lineWidth = width;
}

void PagePrinter::circle(float centreX, float centreY, float radius)
{
    beginPage();
    m_page.push_back({PageItem::Kind::Circle, {}, {}, centreX, centreY, radius, m_lineWidth});
}

void PagePrinter::endDoc()
{
    beginPage();
    // The page is dropped whatever the destination does with it: a page that
    // failed is never sent again by a later endDoc.
    try {
        m_destination.deliver([this](QPainter &painter) { paintPage(painter); });
    } catch (...) {
        dropPage();
        throw;
    }
    dropPage();
}

void PagePrinter::paintPage(QPainter &painter) const
{
    const QPaintDevice *device = painter.device();
    const double scale = device->logicalDpiX() / 1440.0;
    const double dotsPerLineUnit = device->logicalDpiX() / 600.0;
    painter.setBrush(Qt::NoBrush);
    for (const PageItem &item : m_page) {
        switch (item.kind) {
        case PageItem::Kind::Text: {
            painter.setFont(item.font);
            // drawText takes the baseline; the item holds the cell's top.
            const QFontMetricsF metrics(item.font, device);
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

void PagePrinter::abortDoc() noexcept
{
    dropPage();
}

} // namespace nerufa
