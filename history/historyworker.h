#pragma once

#include "historyerror.h"
#include "historylocation.h"
#include "historystore.h"

#include <QList>
#include <QObject>
#include <functional>
#include <memory>

class QThread;

namespace nerufa::history {

// The history's own thread: every read and write of the window's history
// runs there, one after another, so a slow or unreachable database never
// holds up the window, and never a print.
class HistoryWorker : public QObject {
    Q_OBJECT

public:
    explicit HistoryWorker(const Location &location, QObject *parent = nullptr);
    // Runs what was posted before (slips waiting to be written included),
    // then ends the thread.
    ~HistoryWorker() override;

    // Runs on this object's thread once a job is done.
    using Reply = std::function<void()>;
    using Job = std::function<Reply(HistoryStore &)>;
    // Runs `job` on the history's thread with the store, opened on first
    // use; then the reply it returns here. When the job fails, `failed` runs
    // here with the error instead.
    void post(Job job, std::function<void(const HistoryError &)> failed = {});

    // Records slips that printed. Slips that cannot be written now wait,
    // and are written with the next ones.
    void record(const QList<PrintedSlip> &slips);

    // Blocks until everything posted so far has run on the history's
    // thread (their replies come later, from the event loop).
    void waitForIdle();

signals:
    // Slips written, those that waited included.
    void recorded(int count);
    // Nothing was written; `waiting` slips wait for the next try.
    void recordFailed(const QString &message, int waiting);

private:
    void onThread(std::function<void()> work);

    Location m_location;
    QThread *m_thread;
    QObject *m_context; // lives on m_thread
    // Used on m_thread only.
    std::unique_ptr<HistoryStore> m_store;
    QList<PrintedSlip> m_waiting;
};

} // namespace nerufa::history
