#pragma once

#include "printerchoice.h"

#include <QByteArray>
#include <QList>
#include <QPageSize>
#include <QString>
#include <atomic>
#include <memory>

// The print system (CUPS) as the program uses it: the user's default
// destination, which is where the printer choice is kept between runs, the
// submission of a finished page with a check that a job was created, and
// what became of the jobs a batch sent.
//
// Every request goes over a connection of its own with a time limit: a
// print system that stops answering makes a request fail after a few
// seconds instead of waiting for ever. The functions may block that long,
// so callers run them off the window's thread (spoolerwait.h). Some of
// them also ask Qt about a queue's paper, which has no time limit; those
// are marked.
namespace nerufa::cupsqueues {

// The user's default queue: the one named in the user's lpoptions (what
// `lpoptions -d` sets), else the system default. Paper and orientation come
// from the options kept with it there, else the queue's own defaults.
// Asks Qt: no time limit of its own.
struct DefaultQueue {
    PrinterChoice choice;   // Kind::None when there is no queue at all
    // True when the user's lpoptions names a default queue that no longer
    // exists; `choice` is then the system default.
    bool namedDefaultGone = false;
};
DefaultQueue userDefault();

// Every queue with the paper sizes it offers and its default paper. Asks
// Qt: no time limit of its own.
struct Queue {
    QString name;
    QList<QPageSize> sizes;
    QPageSize defaultSize;
};
QList<Queue> queues();

// Makes `choice` (a queue) the user's default destination through libcups,
// with its paper and orientation as the queue's options, as
// `lpoptions -d NAME -o media=… -o orientation-requested=…` would. Returns
// false with a Japanese reason when it cannot be written.
bool setUserDefault(const PrinterChoice &choice, QString *reason, const std::atomic_bool &stop);

// A page the spooler took: its job id, and whether the queue is stopped so
// that the job waits there until the printer is resumed.
struct Submission {
    int jobId = 0;
    bool held = false;
};

// What the print system says about a queue that creating a job there
// needs (its address and the requests it takes). Looked up with the first
// job sent through it and kept for the next ones, so that each further job
// takes one request to create instead of three. Use it from one thread at
// a time.
class QueueInfo {
public:
    QueueInfo();
    ~QueueInfo();
    QueueInfo(const QueueInfo &) = delete;
    QueueInfo &operator=(const QueueInfo &) = delete;

private:
    friend Submission submitPdf(const QString &, QueueInfo &, const QByteArray &, const QPageSize &,
                                const std::atomic_bool &);
    struct Found;
    std::unique_ptr<Found> m_found;
};

// Sends a finished PDF page to `queue` as one job of one copy, looking the
// queue up into `info` first unless an earlier job did. Raises PrinterError
// naming the queue and the reason when the spooler did not confirm the
// job; the job is then cancelled, so it never prints later. `stop` set
// gives up as a time limit does.
Submission submitPdf(const QString &queue, QueueInfo &info, const QByteArray &pdf, const QPageSize &pageSize,
                     const std::atomic_bool &stop);

// What became of jobs sent to `queue`: those the spooler still holds
// (waiting, held or stopped) and those it threw away (cancelled or
// aborted). A job that printed is in neither list.
struct JobsReport {
    bool queueStopped = false;
    QList<int> waiting;
    QList<int> lost;
    bool answered = false; // false: the spooler could not be asked
};
JobsReport jobsReport(const QString &queue, const QList<int> &jobIds);

} // namespace nerufa::cupsqueues
