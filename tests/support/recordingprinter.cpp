#include "recordingprinter.h"

#include "runtimeerror.h"

#include <charconv>

namespace nerufa {

void RecordingPrinter::record(const char *op, const QString &text, std::initializer_list<float> numbers)
{
    QString line = QLatin1String(op) + text;
    for (float number : numbers) {
        char digits[32];
        const char *end = std::to_chars(digits, digits + sizeof digits, number).ptr;
        line += u' ' + QLatin1String(digits, end - digits);
    }
    m_calls << line;
    if (++m_count == m_failAt)
        throw RuntimeError(RuntimeError::Kind::PrinterError,
                           QStringLiteral("試験用のプリンタが %1 番目の操作で失敗しました。").arg(m_count));
}

QStringList RecordingPrinter::placements() const
{
    const QStringList steps{"fontSize ", "currentX ", "currentY ", "printText "};
    QStringList folded;
    for (qsizetype i = 0; i < m_calls.size(); ++i) {
        QStringList parts;
        for (qsizetype k = 0; k < 4 && i + k < m_calls.size() && m_calls[i + k].startsWith(steps[k]); ++k)
            parts << m_calls[i + k].mid(steps[k].size());
        folded << (parts.size() == 4 ? parts.join(u' ') : m_calls[i]);
        i += parts.size() == 4 ? 3 : 0;
    }
    return folded;
}

} // namespace nerufa
