#pragma once

#include "printerchoice.h"

#include <QString>
#include <optional>

namespace nerufa {

// The printer a program run prints on: the user's default print queue, or
// what the operator chose since. A queue chosen is kept as the user's
// default destination in the print system (CUPS), as `lpoptions -d` would,
// so the next run, the window and the command line alike, prints there
// too; a PDF file lasts until the program ends.
class PrinterSession {
public:
    // The current choice. The user's default is looked up on first use (so
    // the print system never slows the start) and again while none was
    // found, so a print system started later is found by the next print.
    const PrinterChoice &current();

    // Once after the look-up found that the user's saved default queue is
    // gone and the system default stands in: the sentence that says so.
    std::optional<QString> takeDefaultGoneNotice();

    // Makes `choice` current for this run only.
    void use(const PrinterChoice &choice);

    // Makes `choice` current. A queue also becomes the user's default; when
    // that cannot be written the Japanese reason comes back, and the choice
    // still holds for this run.
    std::optional<QString> choose(const PrinterChoice &choice);

private:
    std::optional<PrinterChoice> m_choice;
    bool m_defaultGone = false;
};

} // namespace nerufa
