#pragma once

#include "historystore.h"
#include "sliprules.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Recorded slips as the CSV batch reads orders: one row per slip under the
// batch's column names, so that the file prints the same slips again.
namespace nerufa::history {

// A slip's texts as a CSV row gives them: a care-of line and the desired
// date only when they printed, quantities and unit prices only while the
// numbers printed, an option by its caption. The batch computes amounts
// and total from the quantities and prices again, as 「合計」 does.
slip::FieldTexts orderTexts(const SlipSnapshot &slip);

// The header and one row per slip, UTF-8 with a byte order mark (so that
// spreadsheet programs read it as such), CR LF line ends. The slips come
// newest first, as the history finds them; the file lists them in the
// order they printed.
QByteArray ordersCsv(const QList<PrintedSlip> &slips);

// Writes that file in place of `path` whole, or leaves what was there;
// raises HistoryError naming the file and the reason.
void writeOrdersCsv(const QList<PrintedSlip> &slips, const QString &path);

} // namespace nerufa::history
