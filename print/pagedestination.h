#pragma once

#include "printerchoice.h"

#include <QList>
#include <QPageLayout>
#include <QString>
#include <functional>
#include <memory>

class QPainter;
class QPrinter;

namespace nerufa {

class Waiting;

// What became of one page handed to a destination.
struct Delivery {
    int jobId = 0;     // the print system's job, 0 for a PDF file
    bool held = false; // the queue took it but is stopped: it prints once the printer is resumed
};

// Where finished pages go: a print queue or a PDF file. A destination is
// opened once per job (「印刷」) or once per batch; each page handed to it
// arrives whole or not at all.
//
// A queue's pages are laid out from a QPrinter made afresh from the printer
// choice when the destination is opened (see makePrinter): nothing a dialog
// or a failed job did to an earlier printer can reach a later job. A PDF
// file's pages have the chosen paper (A4 when none is chosen). Positions
// start at the corner of the printable area: the page margins are the
// printer's minimum margins (zero for a PDF file).
class PageDestination {
public:
    virtual ~PageDestination() = default;

    using Painting = std::function<void(QPainter &)>;

    // Draws one page with `paint` and hands it on whole: a queue gets it as
    // one job of one copy, a PDF file as its next page; deliveries() then
    // has it. Raises PrinterError naming the queue or file and the reason;
    // the page is then not delivered.
    virtual void deliver(const Painting &paint) = 0;
    // Puts a PDF file in place once every page is in it (replacing an
    // earlier file of that name only now); nothing for a queue. Raises
    // PrinterError naming the file; the earlier file then stays as it was.
    virtual void finish() = 0;
    // Whether a delivered page is final at once (a queue) or only after
    // finish() (a file).
    virtual bool deliversAtOnce() const = 0;

    // Every page delivered so far, in order.
    const QList<Delivery> &deliveries() const { return m_deliveries; }

    // What became of the pages delivered, by their index in deliveries():
    // those the print system holds because the printer is stopped (they
    // print once it is resumed) and those it threw away (they did not
    // print). Both empty for a file, or when the print system cannot say.
    struct Fate {
        QList<int> held;
        QList<int> lost;
    };
    virtual Fate fate() { return {}; }

protected:
    QList<Delivery> m_deliveries;
};

// Opens the destination a printer choice asks for. Raises PrinterError when
// nothing is chosen, the chosen queue is not known to the print system, or
// the print system does not answer in time. The print system is asked, and
// pages are sent, on threads of their own; the caller waits through
// `waiting`, which may give up (a page then is not printed).
std::unique_ptr<PageDestination> openDestination(const PrinterChoice &choice, Waiting &waiting);

// A new high-resolution QPrinter set up from the choice: queue or PDF file,
// paper, orientation, one copy, one side. Raises PrinterError when nothing
// is chosen or the queue is not known. It asks the print system, with no
// time limit of its own.
std::unique_ptr<QPrinter> makePrinter(const PrinterChoice &choice);

} // namespace nerufa
