#pragma once

#include <QString>

namespace nerufa::fonts {

// The face the window's own captions ask for.
QString screenFace();   // "ＭＳ Ｐゴシック"
// The face the slip is printed in, exactly as the print job sets it.
QString slipFace();     // "ＭＳ　P ゴシック"
// The installed proportional Gothic face both names stand for here.
QString installedFace(); // "IPAPGothic"

// Makes both names resolve to the installed face. Without this, fontconfig
// falls back to a Latin face plus a fixed-pitch kanji face. Safe to call
// more than once.
void registerSubstitutions();

// Whether the slip face, as the font system resolves it here, has the
// Japanese glyphs (kana and kanji). False when no installed font has them,
// or the font system finds no fonts at all: the slip would print blank.
bool slipFaceHasJapanese();
// What the operator is told then.
QString noJapaneseFontMessage();

} // namespace nerufa::fonts
