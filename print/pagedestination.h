#pragma once

#include "printerchoice.h"

#include <QPageLayout>
#include <QString>
#include <functional>
#include <memory>

class QPainter;
class QPrinter;

namespace nerufa {

// Where finished pages go: a print queue or a PDF file. A destination is
// opened once per job (「印刷」) or once per batch; each page handed to it
// arrives whole or not at all.
//
// Every page is laid out from a QPrinter made afresh from the printer
// choice (see makePrinter): nothing a dialog or a failed page did to an
// earlier printer can reach the next page. Positions start at the corner of
// the printable area: the page margins are the printer's minimum margins
// (zero for a PDF file).
class PageDestination {
public:
    virtual ~PageDestination() = default;

    using Painting = std::function<void(QPainter &)>;

    // Draws one page with `paint` and hands it on whole: a queue gets it as
    // one job of one copy, a PDF file as its next page. Returns the print
    // system's job id for a queue, 0 for a file. Raises PrinterError naming
    // the queue or file and the reason; the page is then not delivered.
    virtual int deliver(const Painting &paint) = 0;
    // Puts a PDF file in place once every page is in it (replacing an
    // earlier file of that name only now); nothing for a queue. Raises
    // PrinterError naming the file; the earlier file then stays as it was.
    virtual void finish() = 0;
    // Whether a delivered page is final at once (a queue) or only after
    // finish() (a file).
    virtual bool deliversAtOnce() const = 0;
};

// Opens the destination a printer choice asks for. Raises PrinterError when
// nothing is chosen or the chosen queue is not known to the print system.
std::unique_ptr<PageDestination> openDestination(const PrinterChoice &choice);

// A new high-resolution QPrinter set up from the choice: queue or PDF file,
// paper, orientation, one copy, one side. Raises PrinterError like
// openDestination.
std::unique_ptr<QPrinter> makePrinter(const PrinterChoice &choice);

} // namespace nerufa
