#pragma once

class QFontMetricsF;
class QLabel;
class QString;
class SlipLineEdit;

// The window's fixed sizes were made for a narrower face than the one this
// desktop has: IPAPGothic's ideographic space is a full em and its digits
// are wider. These make a text show whole without moving or resizing its
// control and without changing the text.
namespace legibility {

// Whether `text` surely takes no more than `room` pixels, known without
// laying it out: every character is in the font's own face, and even as
// wide as its widest character they would fit. False says nothing.
bool surelyFits(const QFontMetricsF &metrics, const QString &text, double room);

// Draws the caption's letters closer together, only as far as needed, when
// it is wider than the label.
void fitCaption(QLabel *label);

// For a right-aligned number box: the text may use all the room inside the
// box's border, and when the widest number its typing limit allows still
// needs more, its letters are drawn closer together until it fits.
void fitNumberBox(SlipLineEdit *box);

} // namespace legibility
