#include "fonts.h"

#include <QFont>
#include <QFontMetricsF>
#include <QList>

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

bool slipFaceHasJapanese()
{
    const QFontMetricsF metrics{QFont(slipFace())};
    const QString sample = QStringLiteral("あア漢");
    for (const uint character : sample.toUcs4())
        if (!metrics.inFontUcs4(character))
            return false;
    return true;
}

QString noJapaneseFontMessage()
{
    return QStringLiteral("送り状を印刷できる日本語のフォントが見つかりません。"
                          "IPA Pゴシック（パッケージ fonts-ipafont-gothic）をインストールしてください。");
}

} // namespace nerufa::fonts
