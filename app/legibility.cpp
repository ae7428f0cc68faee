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
// Narrower than this and the text is no longer easy to read.
constexpr int kNarrowestStretch = 60;

// Whole pixels `text` takes in `font`, fractions rounded up.
int widthOf(const QFont &font, const QString &text)
{
    return int(std::ceil(QFontMetricsF(font).horizontalAdvance(text)));
}

// `font`, horizontally stretched (a percentage below 100) as little as
// possible so that `text` needs no more than `room` pixels.
QFont narrowedToFit(QFont font, const QString &text, int room)
{
    for (int stretch = 99; stretch >= kNarrowestStretch && widthOf(font, text) > room; --stretch)
        font.setStretch(stretch);
    return font;
}

} // namespace

void fitCaption(QLabel *label)
{
    const QString text = label->text();
    const int room = label->contentsRect().width();
    if (widthOf(label->font(), text) > room)
        label->setFont(narrowedToFit(label->font(), text, room));
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
    const QFontMetricsF metrics(box->font());
    QChar widest = QLatin1Char('9');
    for (QChar c : QStringLiteral("0123456789+-.,E"))
        if (metrics.horizontalAdvance(c) > metrics.horizontalAdvance(widest))
            widest = c;
    const QString sample(box->typingLimit(), widest);
    // Right-aligned, QLineEdit keeps two pixels free after the text, one of
    // them for the text cursor.
    const int room = contents.width() - 2;
    if (widthOf(box->font(), sample) > room)
        box->setFont(narrowedToFit(box->font(), sample, room));
}

} // namespace legibility
