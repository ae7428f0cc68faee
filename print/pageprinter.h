#pragma once

#include "printer.h"

#include <QFont>
#include <QString>
#include <optional>
#include <vector>

class QPaintDevice;
class QPainter;

namespace nerufa {

class PageDestination;

// The printer operations on a page that goes to a PageDestination.
//
// Twips become device units by resolution / 1440, the origin being the
// corner of the printable area. The page is kept here and drawn in one go by
// endDoc(), which hands it to the destination whole; until then nothing
// reaches the printer or the file. That is what makes abortDoc() safe: it
// simply drops the kept page.
//
// The first operation of a page checks that the slip face has the Japanese
// glyphs, and raises PrinterError when not, so a job stops before it draws
// anything; once found, they are not looked for again (the fonts a process
// sees do not change while it runs). After endDoc() or abortDoc() the next
// operation begins a new page; the font stays as it was set.
class PagePrinter final : public Printer {
public:
    explicit PagePrinter(PageDestination &destination);
    ~PagePrinter() override;

    PagePrinter(const PagePrinter &) = delete;
    PagePrinter &operator=(const PagePrinter &) = delete;

    void setFontName(const QString &face) override;
    void setFontSize(float points) override;
    // The point size of the font as set (14 after setting 14), not the
    // size the device rounds it to.
    float fontSize() const override;
    void setFontBold(bool bold) override;
    void setCurrentX(float twips) override;
    void setCurrentY(float twips) override;
    // The top-left corner of the text cell goes to the current position:
    // baseline = top + ascent, measured on the page's device.
    void printText(const QString &text) override;
    // Width in dots of a 600 dpi page printer: width * resolution / 600
    // device units.
    void setLineWidth(int width) override;
    void circle(float centreX, float centreY, float radius) override;
    // Draws the kept page and hands it to the destination. Raises
    // PrinterError naming the file or queue and the reason when that fails.
    void endDoc() override;
    void abortDoc() noexcept override;

private:
    struct PageItem {
        enum class Kind { Text, Circle } kind;
        int font;         // Text: index in m_fonts
        QString text;     // Text
        float x;          // text cell top-left or circle centre, twips
        float y;
        float radius;     // Circle, twips
        int lineWidth;    // Circle, dots at 600 dpi
    };
    // A font of m_fonts made for the page's device, with the ascent that
    // places its texts: made once per font, the first time a page draws it.
    struct DeviceFont {
        QFont font;
        qreal ascent;
    };

    void beginPage();
    void dropPage() noexcept;
    void paintPage(QPainter &painter);
    const DeviceFont &deviceFont(int font, const QPaintDevice &device);

    PageDestination &m_destination;
    QFont m_font;
    // m_font's index in m_fonts; -1 while it changed since the last text.
    int m_fontIndex = -1;
    // Every distinct font the texts asked for, kept for this printer's
    // life: a batch asks for the same few sizes on every slip.
    std::vector<QFont> m_fonts;
    std::vector<std::optional<DeviceFont>> m_deviceFonts; // by index in m_fonts
    int m_deviceDpi = 0;   // the resolution m_deviceFonts were made for
    bool m_japaneseChecked = false;
    float m_x = 0.0f;
    float m_y = 0.0f;
    int m_lineWidth = 1;
    bool m_pageBegun = false;
    std::vector<PageItem> m_page;
};

} // namespace nerufa
