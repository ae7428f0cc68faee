#pragma once

#include "printerchoice.h"

#include <QByteArray>
#include <QString>

// The print system (CUPS) as the program uses it: the user's default
// destination, which is where the printer choice is kept between runs, and
// the submission of a finished page with a check that a job was created.
namespace nerufa::cupsqueues {

// The user's default queue: the one named in the user's lpoptions (what
// `lpoptions -d` sets), else the system default. Paper and orientation come
// from the options kept with it there, else the queue's own defaults.
struct DefaultQueue {
    PrinterChoice choice;   // Kind::None when there is no queue at all
    // True when the user's lpoptions names a default queue that no longer
    // exists; `choice` is then the system default.
    bool namedDefaultGone = false;
};
DefaultQueue userDefault();

// Makes `choice` (a queue) the user's default destination through libcups,
// with its paper and orientation as the queue's options, as
// `lpoptions -d NAME -o media=… -o orientation-requested=…` would. Returns
// false with a Japanese reason when it cannot be written.
bool setUserDefault(const PrinterChoice &choice, QString *reason);

// Sends a finished PDF page to `queue` as one job of one copy. Returns the
// job id; raises PrinterError naming the queue and the reason when no job
// was created or the document did not reach the spooler (the job is then
// cancelled).
int submitPdf(const QString &queue, const QByteArray &pdf, const QPageSize &pageSize);

} // namespace nerufa::cupsqueues
