#include "recordingprinter.h"

#include "runtimeerror.h"

namespace nerufa {

namespace {

QString number(float value)
{
    // Nine significant digits tell any two floats apart.
    return QString::number(double(value), 'g', 9);
}

} // namespace

QString RecordingPrinter::Call::toString() const
{
    switch (op) {
    case Op::SetFontName:
        return QStringLiteral("fontName(\"%1\")").arg(text);
    case Op::SetFontSize:
        return QStringLiteral("fontSize(%1)").arg(number(x));
    case Op::ReadFontSize:
        return QStringLiteral("readFontSize() -> %1").arg(number(x));
    case Op::SetFontBold:
        return QStringLiteral("fontBold(%1)").arg(n);
    case Op::SetCurrentX:
        return QStringLiteral("currentX(%1)").arg(number(x));
    case Op::SetCurrentY:
        return QStringLiteral("currentY(%1)").arg(number(x));
    case Op::PrintText:
        return QStringLiteral("printText(\"%1\")").arg(text);
    case Op::SetLineWidth:
        return QStringLiteral("lineWidth(%1)").arg(n);
    case Op::Circle:
        return QStringLiteral("circle(%1, %2, %3)").arg(number(x), number(y), number(r));
    case Op::EndDoc:
        return QStringLiteral("endDoc()");
    case Op::AbortDoc:
        return QStringLiteral("abortDoc()");
    }
    return QString();
}

RecordingPrinter::RecordingPrinter(Printer *forwardTo) : m_forward(forwardTo) {}

void RecordingPrinter::clear()
{
    m_calls.clear();
    m_count = 0;
}

void RecordingPrinter::record(const Call &call) const
{
    m_calls.append(call);
    if (++m_count == m_failAt) {
        throw RuntimeError(RuntimeError::Kind::PrinterError,
                           QStringLiteral("試験用のプリンタが %1 番目の操作で失敗しました。")
                               .arg(m_count));
    }
}

void RecordingPrinter::setFontName(const QString &face)
{
    record(Call::fontName(face));
    if (m_forward)
        m_forward->setFontName(face);
}

void RecordingPrinter::setFontSize(float points)
{
    record(Call::fontSize(points));
    m_size = points;
    if (m_forward)
        m_forward->setFontSize(points);
}

float RecordingPrinter::fontSize() const
{
    float size = m_size;
    if (m_reportedSize)
        size = *m_reportedSize;
    else if (m_forward)
        size = m_forward->fontSize();
    record(Call::readFontSize(size));
    return size;
}

void RecordingPrinter::setFontBold(bool bold)
{
    record(Call::fontBold(bold));
    if (m_forward)
        m_forward->setFontBold(bold);
}

void RecordingPrinter::setCurrentX(float twips)
{
    record(Call::currentX(twips));
    m_x = twips;
    if (m_forward)
        m_forward->setCurrentX(twips);
}

void RecordingPrinter::setCurrentY(float twips)
{
    record(Call::currentY(twips));
    m_y = twips;
    if (m_forward)
        m_forward->setCurrentY(twips);
}

void RecordingPrinter::printText(const QString &text)
{
    record(Call::printText(text));
    m_x = 0.0f;
    m_y += m_size * 20.0f;
    if (m_forward)
        m_forward->printText(text);
}

void RecordingPrinter::setLineWidth(int width)
{
    record(Call::lineWidth(width));
    if (m_forward)
        m_forward->setLineWidth(width);
}

void RecordingPrinter::circle(float centreX, float centreY, float radius)
{
    record(Call::circle(centreX, centreY, radius));
    if (m_forward)
        m_forward->circle(centreX, centreY, radius);
}

void RecordingPrinter::endDoc()
{
    record(Call::endDoc());
    if (m_forward)
        m_forward->endDoc();
}

void RecordingPrinter::abortDoc() noexcept
{
    // Recorded but not counted, and never made to fail: aborting must work
    // whatever went wrong before.
    m_calls.append(Call::abortDoc());
    if (m_forward)
        m_forward->abortDoc();
}

} // namespace nerufa
