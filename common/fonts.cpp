#include "fonts.h"

#include <QFont>

namespace nerufa::fonts {

QString screenFace() { return QStringLiteral("ＭＳ Ｐゴシック"); }
QString slipFace() { return QStringLiteral("ＭＳ　P ゴシック"); }
QString installedFace() { return QStringLiteral("IPAPGothic"); }

void registerSubstitutions()
{
    // The substitution only applies to the exact name, so both are registered.
    QFont::insertSubstitution(screenFace(), installedFace());
    QFont::insertSubstitution(slipFace(), installedFace());
}

} // namespace nerufa::fonts
