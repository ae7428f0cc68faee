#include "historyworker.h"

#include <QSemaphore>
#include <QThread>

namespace nerufa::history {

namespace {

// Slips kept while the database cannot be written; the oldest go first.
constexpr qsizetype kMostWaiting = 10000;

HistoryError historyError(const std::exception &error)
{
    if (const auto *history = dynamic_cast<const HistoryError *>(&error))
        return *history;
    return HistoryError(QStringLiteral("履歴で予期しないエラーが発生しました（%1）。").arg(QString::fromLocal8Bit(error.what())));
}

} // namespace

HistoryWorker::HistoryWorker(const Location &location, QObject *parent)
    : QObject(parent), m_location(location), m_thread(new QThread), m_context(new QObject)
{
    m_context->moveToThread(m_thread);
    m_thread->setObjectName(QStringLiteral("history"));
    m_thread->start();
}

HistoryWorker::~HistoryWorker()
{
    // The store's connection is closed on the thread that made it, and the
    // thread stops only after every job queued before, the last recordings
    // included, has run.
    onThread([this] {
        m_store.reset();
        m_thread->quit();
    });
    m_thread->wait();
    delete m_context;
    delete m_thread;
}

void HistoryWorker::onThread(std::function<void()> work)
{
    QMetaObject::invokeMethod(m_context, std::move(work), Qt::QueuedConnection);
}

void HistoryWorker::post(Job job, std::function<void(const HistoryError &)> failed)
{
    onThread([this, job = std::move(job), failed = std::move(failed)] {
        Reply reply;
        try {
            if (!m_store)
                m_store = std::make_unique<HistoryStore>(m_location);
            reply = job(*m_store);
        } catch (const std::exception &error) {
            if (failed)
                reply = [failed, problem = historyError(error)] { failed(problem); };
        }
        if (reply)
            QMetaObject::invokeMethod(this, std::move(reply), Qt::QueuedConnection);
    });
}

void HistoryWorker::record(const QList<PrintedSlip> &slips)
{
    onThread([this, slips] {
        m_waiting += slips;
        if (m_waiting.size() > kMostWaiting)
            m_waiting.remove(0, m_waiting.size() - kMostWaiting);
        try {
            if (!m_store)
                m_store = std::make_unique<HistoryStore>(m_location);
            m_store->record(m_waiting);
            const int count = int(m_waiting.size());
            m_waiting.clear();
            emit recorded(count);
        } catch (const std::exception &error) {
            emit recordFailed(historyError(error).message(), int(m_waiting.size()));
        }
    });
}

void HistoryWorker::waitForIdle()
{
    QSemaphore done;
    onThread([&done] { done.release(); });
    done.acquire();
}

} // namespace nerufa::history
