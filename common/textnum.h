#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>

// Conversions between the texts the operator types and numbers, with the
// desktop's usual rules: the locale's decimal and group separators, blanks
// around the number allowed, halves rounded to the even whole number.
// Latin digits are read in every locale (the locale's own digits too), and
// direction marks around a sign are ignored.
// A text that is not a number raises RuntimeError::Kind::TypeMismatch, a
// number past the target type's range RuntimeError::Kind::Overflow.
// `field`, when given, names the box in the error message ("数量1").
namespace nerufa::textnum {

double toDouble(const QString &text, const QString &field = {},
                const QLocale &locale = QLocale());
float toSingle(const QString &text, const QString &field = {},
               const QLocale &locale = QLocale());
std::int32_t toInt32(const QString &text, const QString &field = {},
                     const QLocale &locale = QLocale());

// Rounds to a 32-bit integer with halves to the even number; raises Overflow
// outside the range. Used by toInt32 and wherever a number becomes whole.
std::int32_t roundToInt32(double value, const QString &field = {});

// Narrows a double to single precision; raises Overflow when it does not fit
// (or is not finite).
float checkedSingle(double value, const QString &field = {});
// Raises Overflow when a double result is not finite.
double checkedDouble(double value, const QString &field = {});

// The general number format: at most 15 significant digits, no grouping,
// no trailing zeros, exponent form (1E+20, 1E-05) for very large or very
// small values, Latin digits and a plain minus in every locale, the
// locale's decimal separator. The text reads back with toDouble in the
// same locale.
QString formatGeneral(double value, const QLocale &locale = QLocale());

} // namespace nerufa::textnum
