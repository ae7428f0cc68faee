#include "textnum.h"

#include "runtimeerror.h"

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace nerufa::textnum {

namespace {

QString named(const QString &field)
{
    return field.isEmpty() ? QString() : field + QStringLiteral("の");
}

[[noreturn]] void raiseOverflow(const QString &field)
{
    throw RuntimeError(RuntimeError::Kind::Overflow,
                       named(field) + QStringLiteral("値が大きすぎます。"));
}

// The text without the invisible direction marks and embeddings. The
// right-to-left locales put one in front of their minus sign (he_IL: U+200E
// then '-'), and Qt 6.4 does not read its own such text back.
QString withoutDirectionMarks(QString text)
{
    text.removeIf([](QChar c) {
        const char16_t u = c.unicode();
        return u == 0x061C || u == 0x200E || u == 0x200F || (u >= 0x202A && u <= 0x202E)
            || (u >= 0x2066 && u <= 0x2069);
    });
    return text;
}

// A whole number of at most 15 plain digits, the commonest text by far
// (offsets, quantities, prices), read without the locale's parser: every
// locale reads Latin digits, and such a number is exact in a double, so
// the value is the one the parser gives. Nothing when the text is another.
std::optional<double> plainDigits(const QString &text)
{
    if (text.isEmpty() || text.size() > 15)
        return std::nullopt;
    std::int64_t value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return double(value);
}

} // namespace

double toDouble(const QString &text, const QString &field, const QLocale &locale)
{
    if (const std::optional<double> value = plainDigits(text))
        return *value;
    // Latin digits are read in every locale, besides the locale's own.
    bool ok = false;
    const double value = locale.toDouble(withoutDirectionMarks(text), &ok);
    if (!ok && std::isinf(value))
        raiseOverflow(field); // "1e400": a number, but no double holds it
    // Qt also reads "nan" and "inf"; neither is a number to the operator.
    if (!ok || !std::isfinite(value)) {
        throw RuntimeError(RuntimeError::Kind::TypeMismatch,
                           named(field) + QStringLiteral("「%1」は数値ではありません。").arg(text));
    }
    return value;
}

float checkedSingle(double value, const QString &field)
{
    if (!std::isfinite(value) || std::fabs(value) > double(std::numeric_limits<float>::max()))
        raiseOverflow(field);
    const float narrowed = static_cast<float>(value);
    // A value just above FLT_MAX can still round up to infinity.
    if (std::isinf(narrowed))
        raiseOverflow(field);
    return narrowed;
}

double checkedDouble(double value, const QString &field)
{
    if (!std::isfinite(value))
        raiseOverflow(field);
    return value;
}

float toSingle(const QString &text, const QString &field, const QLocale &locale)
{
    return checkedSingle(toDouble(text, field, locale), field);
}

std::int32_t roundToInt32(double value, const QString &field)
{
    if (!std::isfinite(value))
        raiseOverflow(field);
    // nearbyint follows the current rounding mode; the default one rounds
    // halves to the even number, which is what whole-number conversion wants.
    const int savedMode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(savedMode);
    if (rounded < double(std::numeric_limits<std::int32_t>::min())
        || rounded > double(std::numeric_limits<std::int32_t>::max()))
        raiseOverflow(field);
    return static_cast<std::int32_t>(rounded);
}

std::int32_t toInt32(const QString &text, const QString &field, const QLocale &locale)
{
    return roundToInt32(toDouble(text, field, locale), field);
}

QString formatGeneral(double value, const QLocale &locale)
{
    if (value == 0.0)
        return QStringLiteral("0"); // also for -0.0
    if (!std::isfinite(value))
        raiseOverflow(QString());
    // The C locale's general format: 15 significant digits, trailing zeros
    // dropped, exponent form once the exponent is below -4 or reaches 15
    // (1E+20, 1E-05), Latin digits, a plain minus. Qt formats it, not the C
    // library, whose number locale may differ from the desktop's. Only the
    // decimal separator is the locale's: Latin digits and a plain minus read
    // back in every locale, which the locale's own digits and signs do not
    // always do (Qt 6.4 cannot read he_IL's minus with its direction mark).
    // A whole number below 10^15 is written with all its digits and no
    // separator either way; written straight away, it is the same text.
    if (std::fabs(value) < 1e15 && value == std::trunc(value))
        return QString::number(static_cast<std::int64_t>(value));
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::OmitGroupSeparator);
    QString text = c.toString(value, 'G', 15);
    const QString point = locale.decimalPoint();
    if (point != QLatin1String("."))
        text.replace(QLatin1Char('.'), point);
    return text;
}

} // namespace nerufa::textnum
