#include "legibility.h"

#include "sliplineedit.h"

#include <QFontMetrics>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionFrame>
#include <cmath>

namespace legibility {

namespace {

// QLineEdit keeps this many pixels free on each side inside its contents
// rectangle; there is no setting for it.
constexpr int kLineEditInnerMargin = 2;

// Whole pixels `text` takes in `font` on `widget`, fractions rounded up.
int widthOf(const QFont &font, const QString &text, const QWidget *widget)
{
    return int(std::ceil(QFontMetricsF(font, widget).horizontalAdvance(text)));
}

// `font` with its letters drawn closer together, just enough for `text` to
// need no more than `room` pixels. Letter spacing takes the same amount off
// every character's advance and leaves the glyphs as they are; unlike a
// narrower face it needs no font of its own, which would cost start-up time.
QFont narrowedToFit(QFont font, const QString &text, int room, const QWidget *widget)
{
    const qreal natural = QFontMetricsF(font, widget).horizontalAdvance(text);
    qreal spacing = (room - natural) / qreal(text.size());
    for (int tries = 0; tries < 10; ++tries, spacing -= 0.1) {
        font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
        if (widthOf(font, text, widget) <= room)
            break;
    }
    return font;
}

} // namespace

bool surelyFits(const QFontMetricsF &metrics, const QString &text, double room)
{
    const QList<uint> characters = text.toUcs4();
    if (std::ceil(double(characters.size()) * metrics.maxWidth()) > room)
        return false;
    for (const uint character : characters)
        if (!metrics.inFontUcs4(character))
            return false; // drawn from another face, whose widest may be wider
    return true;
}

void fitCaption(QLabel *label)
{
    const QString text = label->text();
    const int room = label->contentsRect().width();
    if (!surelyFits(QFontMetricsF(label->font(), label), text, room) && widthOf(label->font(), text, label) > room)
        label->setFont(narrowedToFit(label->font(), text, room, label));
}

void fitNumberBox(SlipLineEdit *box)
{
    // The contents rectangle lies just inside the border line; giving the
    // inner margin back to the text lets it use all of that rectangle.
    box->setTextMargins(-kLineEditInnerMargin, 0, -kLineEditInnerMargin, 0);
    QStyleOptionFrame option;
    option.initFrom(box);
    option.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
    const QRect contents = box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);

    // Every character a typed number or a computed total can hold; the
    // widest of them repeated as often as the typing limit allows.
    const QFontMetricsF metrics(box->font(), box);
    QChar widest = QLatin1Char('9');
    for (QChar c : QStringLiteral("0123456789+-.,E"))
        if (metrics.horizontalAdvance(c) > metrics.horizontalAdvance(widest))
            widest = c;
    const QString sample(box->typingLimit(), widest);
    // Right-aligned, QLineEdit keeps two pixels free after the text, one of
    // them for the text cursor.
    const int room = contents.width() - 2;
    if (widthOf(box->font(), sample, box) > room)
        box->setFont(narrowedToFit(box->font(), sample, room, box));
}

} // namespace legibility
