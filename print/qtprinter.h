#pragma once

#include "printer.h"

#include <QFont>
#include <QString>
#include <vector>

class QPainter;
class QPrinter;

namespace nerufa {

class PdfBook;

// The printer operations on a QPrinter.
//
// Twips become device units by resolution() / 1440. The origin is the
// top-left corner of the printable area: before painting, the page margins
// are set to the printer's minimum margins (zero for a PDF file, so there
// the origin is the paper corner). Paper size, orientation and copies are
// left as they are.
//
// The first operation begins the page. It checks that a printer or a PDF
// file is chosen and that the slip face has the Japanese glyphs, and raises
// PrinterError when not, so a job stops before it draws anything. The page is kept here and made in one go by endDoc();
// until then nothing reaches the printer. That is what makes abortDoc()
// safe: abortDoc() simply drops the kept page; a file chosen as output is
// then left exactly as it was. The QPrinter gives the target, paper,
// margins and resolution; the window makes a new one for every job.
//
// After endDoc() or abortDoc() the next operation begins a new page; the
// font stays as it was set.
class QtPrinter final : public Printer {
public:
    explicit QtPrinter(QPrinter &printer);
    ~QtPrinter() override;

    QtPrinter(const QtPrinter &) = delete;
    QtPrinter &operator=(const QtPrinter &) = delete;

    void setFontName(const QString &face) override;
    void setFontSize(float points) override;
    // The point size of the font as set (14 after setting 14), not the
    // size the device rounds it to.
    float fontSize() const override;
    void setFontBold(bool bold) override;
    void setCurrentX(float twips) override;
    void setCurrentY(float twips) override;
    float currentX() const override { return m_x; }
    float currentY() const override { return m_y; }
    // The top-left corner of the text cell goes to the current position:
    // baseline = top + ascent, measured on the printer. Afterwards current
    // X is 0 and current Y one line height lower.
    void printText(const QString &text) override;
    // Width in dots of a 600 dpi page printer: width * resolution / 600
    // device units.
    void setLineWidth(int width) override;
    void circle(float centreX, float centreY, float radius) override;
    // Makes the kept page as a PDF in memory, with the QPrinter's paper,
    // margins and resolution, then hands it on whole: into the PDF file
    // (written beside it and renamed over it once complete) or to the CUPS
    // queue as one job (checked to have been created). Raises PrinterError
    // naming the file or queue and the reason when that fails; an earlier
    // file of that name is then left whole and no job is left behind.
    void endDoc() override;
    void abortDoc() noexcept override;

    // With a book, endDoc() adds the page to it instead of handing it to
    // the QPrinter's file or queue; the QPrinter still gives paper, margins
    // and resolution. The book must outlive its use here.
    void setBook(PdfBook *book) { m_book = book; }

    // True between the first operation of a page and its endDoc/abortDoc.
    bool pageBegun() const { return m_pageBegun; }

    // The message when no printer and no PDF file is chosen.
    static QString noPrinterMessage();

private:
    struct PageItem {
        enum class Kind { Text, Circle } kind;
        QFont font;       // Text
        QString text;     // Text
        float x;          // text cell top-left or circle centre, twips
        float y;
        float radius;     // Circle, twips
        int lineWidth;    // Circle, dots at 600 dpi
    };

    void beginPage();
    void dropPage() noexcept;
    void paintPage(QPainter &painter) const;
    static void writePdfFile(const QString &path, const QByteArray &pdf);
    double deviceUnitsPerTwip() const;

    QPrinter &m_printer;
    QFont m_font;
    float m_x = 0.0f;
    float m_y = 0.0f;
    int m_lineWidth = 1;
    bool m_pageBegun = false;
    std::vector<PageItem> m_page;
    PdfBook *m_book = nullptr;
};

} // namespace nerufa
