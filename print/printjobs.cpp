#include "printjobs.h"

#include "fields.h"
#include "fonts.h"
#include "runtimeerror.h"
#include "sliplayout.h"
#include "textnum.h"

#include <cfenv>
#include <cmath>
#include <cstdint>

namespace nerufa {

namespace {

using layout::twips;

// Field names for messages, as the offset panel labels them.
QString offsetXField() { return QString::fromUtf8(slip::field(slip::FieldId::OffsetX).caption); }
QString offsetYField() { return QString::fromUtf8(slip::field(slip::FieldId::OffsetY).caption); }

[[noreturn]] void raiseOverflow(const QString &what)
{
    throw RuntimeError(RuntimeError::Kind::Overflow, what + QStringLiteral("が大きすぎます。"));
}

// Steps that read the offset boxes. They run before anything reaches the
// printer, so a bad box stops the job with no page begun.
void readOffsetValues(const QString &xText, const QString &yText, JobState &state)
{
    state.xOffsetValue = textnum::toSingle(xText, offsetXField());
    state.yOffsetValue = textnum::toSingle(yText, offsetYField());
}

// (value - neutral) * 5.67, held in single precision.
float offsetTwips(float value, int neutral, const QString &field)
{
    return textnum::checkedSingle((double(value) - neutral) * double(layout::kTwipsPerTenthMm),
                                  field);
}

void computeOffsets(JobState &state)
{
    state.offsetX = offsetTwips(state.xOffsetValue, slip::kNeutralOffsetX, offsetXField());
    state.offsetY = offsetTwips(state.yOffsetValue, slip::kNeutralOffsetY, offsetYField());
}

// A position: offset plus layout position, added and held in single
// precision.
float singleSum(float offset, float position)
{
    const float sum = offset + position;
    if (!std::isfinite(sum))
        raiseOverflow(QStringLiteral("印刷位置"));
    return sum;
}

// The job keeps the vertical correction as text it writes and reads itself,
// always in the C locale, so that the text reads back whatever the desktop's
// locale writes for a minus sign or a decimal separator.
QLocale correctionLocale()
{
    return QLocale::c();
}

// The vertical correction for the size the printer reports: -(3 * size) / 2,
// with 3 * size first rounded to four decimals (halves to even) as a count
// of ten-thousandths, the way fixed-point currency arithmetic does it.
QString verticalCorrectionFor(float size)
{
    // Exact in double: a float times 30000 needs at most 39 bits.
    const double scaled = double(size) * 30000.0;
    // 2^63: the first value a signed 64-bit count cannot hold.
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9223372036854775808.0)
        raiseOverflow(QStringLiteral("縦位置の補正"));
    const int savedMode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const auto tenThousandths = static_cast<std::int64_t>(std::nearbyint(scaled));
    std::fesetround(savedMode);
    const double correction =
        textnum::checkedDouble(double(tenThousandths) / 10000.0 / -2.0, QStringLiteral("縦位置の補正"));
    return textnum::formatGeneral(correction, correctionLocale());
}

// The i-th character of a text (1-based), or the empty text when it is
// shorter. A character outside the basic plane stays one character.
QString nthCharacter(const QString &text, int i)
{
    const QList<uint> characters = text.toUcs4();
    if (i > characters.size())
        return QString();
    const char32_t character = characters[i - 1];
    return QString::fromUcs4(&character, 1);
}

// The placements of one job, on the job state as it was set at its start.
class Job {
public:
    Job(const JobState &state, Printer &printer) : m_state(state), m_printer(printer) {}

    // Size, current X, current Y, then the text. Only Y carries the
    // vertical correction; the sum is formed in double and rounded once.
    void placeText(int size, int x, int y, const QString &text)
    {
        m_printer.setFontSize(float(size));
        m_printer.setCurrentX(singleSum(m_state.offsetX, twips(x)));
        const double shift = verticalShift();
        const float base = singleSum(m_state.offsetY, twips(y));
        m_printer.setCurrentY(textnum::checkedSingle(shift + double(base), QStringLiteral("印刷位置")));
        m_printer.printText(text);
    }

    void placeItems(const SlipSnapshot &slip, const auto &items)
    {
        for (const layout::TextItem &item : items) {
            if (item.placedWhen && !(slip.*item.placedWhen))
                continue;
            const QString &field = slip.*item.field;
            placeText(item.size, item.x, item.y,
                      item.character == 0 ? field : nthCharacter(field, item.character));
        }
    }

    // A circle around a layout position: offsets only, no vertical
    // correction; radius from the job's mark radius.
    void circleMark(const layout::MarkPosition &at)
    {
        const float radius = textnum::checkedSingle(
            double(m_state.markRadius) * double(layout::kTwipsPerTenthMm), QStringLiteral("円の半径"));
        m_printer.circle(singleSum(m_state.offsetX, twips(at.x)),
                         singleSum(m_state.offsetY, twips(at.y)), radius);
    }

    void setMarkLineWidth()
    {
        m_printer.setLineWidth(textnum::roundToInt32(m_state.markLineWidth));
    }

    // A line width, then the circle of the chosen option (1-based); nothing
    // when no option is chosen.
    template<std::size_t N>
    void chosenMark(int chosen, const layout::MarkPosition (&marks)[N])
    {
        if (chosen < 1 || chosen > int(N))
            return;
        setMarkLineWidth();
        circleMark(marks[chosen - 1]);
    }

private:
    // The vertical correction in twips, read from the job state's text the
    // first time a text is placed: it stays the same for the whole job.
    double verticalShift()
    {
        if (!m_shiftRead) {
            const double correction = textnum::toDouble(m_state.verticalCorrection, {}, correctionLocale());
            m_verticalShift = correction * double(layout::kTwipsPerTenthMm);
            m_shiftRead = true;
        }
        return m_verticalShift;
    }

    const JobState &m_state;
    Printer &m_printer;
    // A plain value and a flag rather than std::optional: GCC's release
    // build warns that an optional double may be read uninitialised here.
    double m_verticalShift = 0.0;
    bool m_shiftRead = false;
};

} // namespace

void printSlip(const SlipSnapshot &slip, JobState &state, Printer &printer)
{
    readOffsetValues(slip.offsetXText, slip.offsetYText, state);
    computeOffsets(state);

    try {
        printer.setFontSize(float(layout::kCorrectionProbeSize));
        state.verticalCorrection = verticalCorrectionFor(printer.fontSize());
        state.markRadius = layout::kCheckMarkRadius;
        state.markLineWidth = layout::kMarkLineWidth;
        printer.setFontName(fonts::slipFace());
        printer.setFontBold(false);

        Job job(state, printer);
        job.placeItems(slip, layout::kAddressItems);
        job.placeItems(slip, layout::kDateItems);
        state.markRadius = layout::kSlipMarkRadius;
        job.chosenMark(slip.timeSlot, layout::kTimeSlotMarks);
        job.chosenMark(slip.notification, layout::kNotificationMarks);
        job.placeItems(slip, layout::kGoodsItems);
        printer.endDoc();
    } catch (...) {
        // Never half a slip: whatever stopped the job, the page goes.
        printer.abortDoc();
        throw;
    }
}

void printPositionCheck(const QString &offsetXText, const QString &offsetYText,
                        JobState &state, Printer &printer)
{
    readOffsetValues(offsetXText, offsetYText, state);
    state.markRadius = layout::kCheckMarkRadius;
    state.markLineWidth = layout::kMarkLineWidth;
    computeOffsets(state);

    try {
        Job job(state, printer);
        job.setMarkLineWidth();
        for (const layout::MarkPosition &mark : layout::kCheckMarks)
            job.circleMark(mark);
        printer.endDoc();
    } catch (...) {
        printer.abortDoc();
        throw;
    }
}

} // namespace nerufa
