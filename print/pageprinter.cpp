#include "pageprinter.h"

#include "fonts.h"
#include "pagedestination.h"
#include "runtimeerror.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>

#include <algorithm>

namespace nerufa {

PagePrinter::PagePrinter(PageDestination &destination) : m_destination(destination) {}

PagePrinter::~PagePrinter() = default;

void PagePrinter::beginPage()
{
    if (m_pageBegun)
        return;
    // Without a face that has the Japanese glyphs the page would come out
    // blank: refuse it before anything is drawn.
    if (!m_japaneseChecked && !fonts::slipFaceHasJapanese())
        throw RuntimeError(RuntimeError::Kind::PrinterError, fonts::noJapaneseFontMessage());
    m_japaneseChecked = true;
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
    m_fontIndex = -1;
}

void PagePrinter::setFontSize(float points)
{
    beginPage();
    m_font.setPointSizeF(points);
    m_fontIndex = -1;
}

float PagePrinter::fontSize() const
{
    return float(m_font.pointSizeF());
}

void PagePrinter::setFontBold(bool bold)
{
    beginPage();
    m_font.setBold(bold);
    m_fontIndex = -1;
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
    if (text.isEmpty())
        return;
    if (m_fontIndex < 0) {
        const auto known = std::find(m_fonts.begin(), m_fonts.end(), m_font);
        m_fontIndex = int(known - m_fonts.begin());
        if (known == m_fonts.end())
            m_fonts.push_back(m_font);
    }
    m_page.push_back({PageItem::Kind::Text, m_fontIndex, text, m_x, m_y, 0.0f, 0});
}

void PagePrinter::setLineWidth(int width)
{
    beginPage();
    m_lineWidth = width;
}

void PagePrinter::circle(float centreX, float centreY, float radius)
{
    beginPage();
    m_page.push_back({PageItem::Kind::Circle, -1, {}, centreX, centreY, radius, m_lineWidth});
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

const PagePrinter::DeviceFont &PagePrinter::deviceFont(int font, const QPaintDevice &device)
{
    // A font made for one resolution serves every device of that resolution.
    if (device.logicalDpiY() != m_deviceDpi) {
        m_deviceFonts.clear();
        m_deviceDpi = device.logicalDpiY();
    }
    m_deviceFonts.resize(m_fonts.size());
    std::optional<DeviceFont> &made = m_deviceFonts[size_t(font)];
    if (!made) {
        // Measured on the device: screen metrics are far too small at a
        // printer's resolution.
        const QFont bound(m_fonts[size_t(font)], &device);
        made = DeviceFont{bound, QFontMetricsF(bound).ascent()};
    }
    return *made;
}

void PagePrinter::paintPage(QPainter &painter)
{
    const QPaintDevice *device = painter.device();
    const double scale = device->logicalDpiX() / 1440.0;
    const double dotsPerLineUnit = device->logicalDpiX() / 600.0;
    painter.setBrush(Qt::NoBrush);
    int painterFont = -1; // the font the painter has on this page
    for (const PageItem &item : m_page) {
        switch (item.kind) {
        case PageItem::Kind::Text: {
            const DeviceFont &font = deviceFont(item.font, *device);
            if (item.font != painterFont) {
                painter.setFont(font.font);
                painterFont = item.font;
            }
            // drawText takes the baseline; the item holds the cell's top.
            painter.drawText(QPointF(item.x * scale, item.y * scale + font.ascent), item.text);
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
