#pragma once

#include "fields.h"
#include "slipsnapshot.h"

#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>
#include <array>
#include <optional>

// The rules that turn what an operator (or a file) gives into the slip a
// print job takes. The window and every batch call these same functions.
namespace nerufa::slip {

// 「合計」: both amounts and the total from the quantities and unit prices as
// typed, in the general number format, with no rounding to whole yen. The
// total is built from the quantities and prices, never from the amounts.
// Raises RuntimeError naming the box (数量1, 単価2, 金額1, 合計) when a text
// is no number or a result overflows; nothing is returned then.
struct Amounts {
    QString amount1;
    QString amount2;
    QString total;
};
Amounts computeAmounts(const QString &quantity1, const QString &unitPrice1, const QString &quantity2,
                       const QString &unitPrice2, const QLocale &locale = QLocale());

// A month or day as the date lists hold it: two digits, "05".
QString twoDigits(int n);

// A text as header names and option captions are compared: width folded
// (NFKC) and without blanks, so "住所１" is "住所1" and "午前 9時~12時頃" is
// the first time slot.
QString looseKey(const QString &text);

// The option of a group (1-based) whose caption matches `text` loosely.
std::optional<int> choiceFor(const Field &group, const QString &text);

// One order's texts, field by field (indexed by FieldId); an empty text is
// a field left empty.
using FieldTexts = std::array<QString, kFieldCount>;

// What is wrong with one field of an order.
struct FieldProblem {
    FieldId field;
    QString what;
};

// The slip an order prints, exactly as the window would hold it after the
// order's fields were typed in and 「合計」 pressed:
// - a care-of line is shown when it holds text;
// - the date lists are shown when a month or a day is given; the other one
//   keeps today's, as the lists start;
// - the numeric area is on when a quantity or unit price is given; empty
//   boxes hold the window's "0"; amounts and total are computed;
// - an option left empty is the one chosen at start.
// Every field is checked as the window's box would bind it: one line of
// text, at most its typing limit in characters, a number where the field
// takes one, an option the group has. The offsets are left empty.
struct OrderSlip {
    SlipSnapshot slip;
    QList<FieldProblem> problems; // empty: the slip may be printed
};
OrderSlip slipFromTexts(const FieldTexts &texts, const QDate &today);

} // namespace nerufa::slip
