#pragma once

#include "orders.h"

#include <QList>
#include <QString>
#include <functional>

namespace nerufa {
class PageDestination;
class Printer;
struct PrinterChoice;
class Waiting;
}

namespace nerufa::batch {

// The index of the first order on data row `row` or after it: where a batch
// asked to start at a row, or resumed there, begins. orders.size() when no
// order is left.
qsizetype firstAtOrAfter(const QList<Order> &orders, int row);

struct BatchResult {
    int printed = 0;      // slips delivered for good: printed, or with the print system
    int nextRow = 0;      // data row to go on from (the first slip not delivered); 0 when none is left
    bool stopped = false; // the operator stopped between slips
    QString error;        // what stopped the batch, when something did
    // Delivered slips, by data row, that the print system holds because the
    // printer is stopped: they print once it is resumed and must not be
    // printed again.
    QList<int> heldRows;
    // Delivered slips, by data row, that the print system threw away
    // (cancelled or aborted): they did not print.
    QList<int> lostRows;
};

// Called before each slip with the number done so far and the order that
// comes next; returns false to stop there.
using BeforeSlip = std::function<bool(int done, const Order &next)>;

// Prints orders[first..] one after another with the offset texts given, the
// same slip job as 「印刷」, each slip ended onto `printer`, whose pages go
// to `destination`; the destination is finished after the last. Whatever
// stops the batch - a printer fault, a printer that stopped (the slip it
// took waits there), any other error - is caught here: the slip it hit is
// dropped whole, the result tells why, which slips the print system holds
// or threw away, and which row comes next. Nothing is thrown.
BatchResult runBatch(const QList<Order> &orders, qsizetype first, const QString &offsetXText,
                     const QString &offsetYText, Printer &printer, PageDestination &destination,
                     const BeforeSlip &beforeSlip = {});

// The same onto the printer the choice names: the destination is opened
// here, once for the whole batch, waiting for the print system through
// `waiting`. When it cannot be opened (no printer, a queue that is gone, a
// print system that does not answer) nothing is printed and the result
// says so.
BatchResult runBatch(const QList<Order> &orders, qsizetype first, const QString &offsetXText,
                     const QString &offsetYText, const PrinterChoice &choice, Waiting &waiting,
                     const BeforeSlip &beforeSlip = {});

// "3 枚印刷しました。" plus, when rows are left, "次は 4 件目からです。", and
// which slips wait in a stopped printer or did not print after all.
QString resultSentence(const BatchResult &result);

} // namespace nerufa::batch
