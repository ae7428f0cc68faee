#include "recordingprinter.h"

#include "runtimeerror.h"

#include <QRegularExpression>
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
    static const QRegularExpression placement(QStringLiteral("fontSize (\\S+)\ncurrentX (\\S+)\ncurrentY (\\S+)\nprintText "));
    return m_calls.join(u'\n').replace(placement, QStringLiteral("\\1 \\2 \\3 ")).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace nerufa
