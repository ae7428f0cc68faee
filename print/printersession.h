#pragma once

#include "cupsqueues.h"
#include "printerchoice.h"
#include "spoolerwait.h"

#include <QList>
#include <QString>
#include <memory>
#include <optional>

namespace nerufa {

// The printer a program run prints on: the user's default print queue, or
// what the operator chose since. A queue chosen is kept as the user's
// default destination in the print system (CUPS), as `lpoptions -d` would,
// so the next run, the window and the command line alike, prints there
// too; a PDF file lasts until the program ends.
//
// Looking up the default asks the print system, which may be slow or not
// answer at all: the look-up runs in the background and every wait for it
// goes through a Waiting with a time limit.
class PrinterSession {
public:
    // Starts looking up the user's default in the background, unless a
    // choice is known or a look-up is under way.
    void startLookUp();
    // The current choice when it is known now, without waiting; nullptr
    // while the look-up is under way (or none was started).
    const PrinterChoice *known();
    // The current choice. When none is known yet, or the last look-up found
    // no queue (a print system started later is found by the next print),
    // it is looked up, waiting through `waiting`. Raises PrinterError when
    // the print system does not answer in time.
    const PrinterChoice &current(Waiting &waiting);

    // Once after the look-up found that the user's saved default queue is
    // gone and the system default stands in: the sentence that says so.
    std::optional<QString> takeDefaultGoneNotice();

    // Makes `choice` current for this run only.
    void use(const PrinterChoice &choice);

    // Makes `choice` current. A queue also becomes the user's default; when
    // that cannot be written the Japanese reason comes back, and the choice
    // still holds for this run.
    std::optional<QString> choose(const PrinterChoice &choice, Waiting &waiting);

    // The print queues with their paper, for choosing one. Raises
    // PrinterError when the print system does not answer in time.
    static QList<cupsqueues::Queue> queues(Waiting &waiting);

private:
    void take(const cupsqueues::DefaultQueue &found);

    std::optional<PrinterChoice> m_choice;
    bool m_defaultGone = false;
    std::shared_ptr<spoolerwait::Shared<cupsqueues::DefaultQueue>> m_lookUp;
};

// What the operator is told when the print system does not answer.
QString spoolerNotAnsweringMessage();

} // namespace nerufa
