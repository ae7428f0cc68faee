#pragma once

class QLabel;
class SlipLineEdit;

// The window's fixed sizes were made for a narrower face than the one this
// desktop has: IPAPGothic's ideographic space is a full em and its digits
// are wider. These make a text show whole without moving or resizing its
// control and without changing the text.
namespace legibility {

// Draws the caption's letters closer together, only as far as needed, when
// it is wider than the label.
void fitCaption(QLabel *label);

// For a right-aligned number box: the text may use all the room inside the
// box's border, and when the widest number its typing limit allows still
// needs more, its letters are drawn closer together until it fits.
void fitNumberBox(SlipLineEdit *box);

} // namespace legibility
