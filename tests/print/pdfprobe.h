#pragma once

#include <QImage>
#include <QList>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QStringList>

// Looks into a printed PDF with poppler's command-line tools, for tests
// that print real pages (to a file or through a spooler).
// On failure the functions raise nothing: *error says why and the result
// is empty.
namespace nerufa::testpdf {

struct Word {
    QString text;
    double xMin; // points from the page's top-left corner
    double yMin; // top of the text cell
};

struct TextLayout {
    int pages = 0;
    QSizeF pageSize; // of the first page, in points
    QList<Word> words;
};

// True when pdftotext, pdffonts and pdftoppm can be run.
bool toolsAvailable();
// The words of the PDF with their boxes (pdftotext -bbox).
TextLayout readText(const QString &pdf, QString *error);
// The fonts the PDF uses (pdffonts), each by its name without the subset
// prefix ("IPAPGothic"), followed by " (not embedded)" when it is not.
QStringList readFonts(const QString &pdf, QString *error);
// A page (the first unless told) rendered in grey at the given resolution,
// cropped to the rectangle (in pixels of that resolution) whose top-left is
// (x, y).
QImage renderArea(const QString &pdf, int dpi, int x, int y, int width, int height, QString *error, int page = 1);
// The words whose text is exactly `text`.
QList<Word> wordsNamed(const TextLayout &layout, const QString &text);

// A slip text and its layout position (tenths of a mm).
struct SlipText { QString text; int x, y; };

// Checks that each text is exactly one word on the page whose cell starts
// within 0.05 mm of where the slip puts it: its layout position shifted by
// dx, dy tenths (offset values minus 30 and 70), 21 tenths up for the
// vertical correction, from the printable area's corner at originMm.
// Returns an empty string, or what is wrong.
QString checkSlipTexts(const TextLayout &layout, const QList<SlipText> &texts, double dx,
                       double dy, QPointF originMm = {});

// What is wrong with the outline circle of `radiusMm` whose centre the slip
// puts at layout position `centre` (tenths of a mm, offsets included) on
// page 1, or nothing. The pen is two 600 dpi dots wide.
QString circleProblem(const QString &pdf, QPointF centre, double radiusMm);

} // namespace nerufa::testpdf
