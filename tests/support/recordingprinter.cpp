#include "recordingprinter.h"

#include "runtimeerror.h"

#include <charconv>

namespace nerufa {

void RecordingPrinter::record(const char *op, const QString &text, std::initializer_list<float> numbers) const
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
        if (parts.size() == 4)
            i += 3;
        folded << (parts.size() == 4 ? parts.join(u' ') : m_calls[i]);
    }
    return folded;
}

void RecordingPrinter::setFontName(const QString &face)
{
    record("fontName ", face);
    if (m_forward)
        m_forward->setFontName(face);
}

void RecordingPrinter::setFontSize(float points)
{
    record("fontSize", {}, {points});
    m_size = points;
    if (m_forward)
        m_forward->setFontSize(points);
}

float RecordingPrinter::fontSize() const
{
    const float size = m_reportedSize ? *m_reportedSize : m_forward ? m_forward->fontSize() : m_size;
    record("readFontSize", {}, {size});
    return size;
}

void RecordingPrinter::setFontBold(bool bold)
{
    record("fontBold", {}, {float(bold)});
    if (m_forward)
        m_forward->setFontBold(bold);
}

void RecordingPrinter::setCurrentX(float twips)
{
    record("currentX", {}, {twips});
    m_x = twips;
    if (m_forward)
        m_forward->setCurrentX(twips);
}

void RecordingPrinter::setCurrentY(float twips)
{
    record("currentY", {}, {twips});
    m_y = twips;
    if (m_forward)
        m_forward->setCurrentY(twips);
}

void RecordingPrinter::printText(const QString &text)
{
    record("printText ", text);
    m_x = 0.0f;
    m_y += m_size * 20.0f;
    if (m_forward)
        m_forward->printText(text);
}

void RecordingPrinter::setLineWidth(int width)
{
    record("lineWidth", {}, {float(width)});
    if (m_forward)
        m_forward->setLineWidth(width);
}

void RecordingPrinter::circle(float centreX, float centreY, float radius)
{
    record("circle", {}, {centreX, centreY, radius});
    if (m_forward)
        m_forward->circle(centreX, centreY, radius);
}

void RecordingPrinter::endDoc()
{
    record("endDoc", {});
    if (m_forward)
        m_forward->endDoc();
}

void RecordingPrinter::abortDoc() noexcept
{
    // Recorded but not counted, and never made to fail: aborting must work
    // whatever went wrong before.
    m_calls << QStringLiteral("abortDoc");
    if (m_forward)
        m_forward->abortDoc();
}

} // namespace nerufa
