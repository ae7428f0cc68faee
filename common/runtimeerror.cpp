#include "runtimeerror.h"

namespace nerufa {

RuntimeError::RuntimeError(Kind kind, const QString &detail)
    : std::runtime_error(detail.toStdString()), m_kind(kind), m_detail(detail)
{
}

QString RuntimeError::kindName(Kind kind)
{
    switch (kind) {
    case Kind::TypeMismatch:
        return QStringLiteral("型が一致しません。");
    case Kind::Overflow:
        return QStringLiteral("オーバーフローしました。");
    case Kind::FileError:
        return QStringLiteral("ファイルの読み書きに失敗しました。");
    case Kind::PrinterError:
        return QStringLiteral("印刷できませんでした。");
    }
    return QString();
}

QString RuntimeError::message() const
{
    if (m_detail.isEmpty())
        return kindName(m_kind);
    return kindName(m_kind) + QLatin1Char('\n') + m_detail;
}

} // namespace nerufa
