#pragma once

#include "orders.h"
#include "postaltable.h"

#include <QStringList>

namespace nerufa::batch {

// The orders' postal codes against the postal table: a code the table does
// not know, and a first address line that does not begin with the
// municipality of its code (with or without the prefecture; width and
// blanks aside). Both blocks are checked; an empty code or address is not.
// One Japanese sentence per finding, by row: a warning, never a reason not
// to print.
QStringList postalWarnings(const QList<Order> &orders, const postal::PostalTable &table);

// The warnings under a heading, the first 20 and how many more; empty when
// there are none.
QString postalWarningsMessage(const QStringList &warnings);

} // namespace nerufa::batch
