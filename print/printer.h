#pragma once

#include <QString>

namespace nerufa {

// The printer operations a print job uses. Positions and radii are in
// twips (1440 per inch) from the top-left corner of the printable area.
// Every operation may raise RuntimeError (PrinterError) when the printer
// fails; the first operation of a job begins the page.
class Printer {
public:
    virtual ~Printer() = default;

    virtual void setFontName(const QString &face) = 0;
    virtual void setFontSize(float points) = 0;
    // The size the printer reports back for the font it will use.
    virtual float fontSize() const = 0;
    virtual void setFontBold(bool bold) = 0;
    virtual void setCurrentX(float twips) = 0;
    virtual void setCurrentY(float twips) = 0;
    // Draws text as one line whose top-left corner is the current position.
    // Every placement sets its own position first, so no job relies on
    // where the position is left afterwards.
    virtual void printText(const QString &text) = 0;
    // Line width for circles, in device dots of a 600 dpi page printer.
    virtual void setLineWidth(int width) = 0;
    // Outline circle, no fill.
    virtual void circle(float centreX, float centreY, float radius) = 0;
    // Finishes the page and hands it to the printer.
    virtual void endDoc() = 0;
    // Throws away a begun page so that nothing of it is printed. Must not
    // throw; does nothing when no page was begun.
    virtual void abortDoc() noexcept = 0;
};

} // namespace nerufa
