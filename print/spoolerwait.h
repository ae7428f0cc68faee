#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// Calls into the print system (CUPS) run on a thread of their own, so that
// a print system that stops answering can neither freeze the window nor
// make the program wait for ever. The caller waits through a Waiting: the
// window keeps its events going and offers 中止, the command line simply
// waits; the time limits below end every wait.
namespace nerufa {

class Waiting {
public:
    virtual ~Waiting() = default;
    // Called about every 50 ms while the print system has not answered,
    // with the time waited so far; returns false when the operator asked
    // to stop waiting.
    virtual bool keepWaiting(int waitedMs) = 0;
    // Called once when the wait is over, however it ended.
    virtual void finished() {}
};

// Waits without showing anything; only the time limit ends the wait.
class PlainWaiting final : public Waiting {
public:
    bool keepWaiting(int) override { return true; }
};

// The longest a look-up in the print system may take before the program
// gives up on it.
inline constexpr int kLookUpLimitMs = 15000;

namespace spoolerwait {

template <typename T>
struct Shared {
    std::mutex mutex;
    std::condition_variable ready;
    std::optional<T> result;
    std::exception_ptr error;
    bool done = false;
};

// Waits for `shared` until it is done or `giveUp` says so; returns whether
// it is done.
template <typename T>
bool waitFor(Shared<T> &shared, Waiting &waiting, const std::function<bool(int waitedMs, bool keep)> &giveUp)
{
    const auto start = std::chrono::steady_clock::now();
    std::unique_lock lock(shared.mutex);
    for (;;) {
        if (shared.ready.wait_for(lock, std::chrono::milliseconds(50), [&] { return shared.done; }))
            return true;
        lock.unlock();
        const int waited = int(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - start).count());
        const bool keep = waiting.keepWaiting(waited);
        lock.lock();
        if (shared.done)
            return true;
        if (giveUp(waited, keep))
            return false;
    }
}

template <typename T>
std::shared_ptr<Shared<T>> start(std::function<T()> work)
{
    auto shared = std::make_shared<Shared<T>>();
    // Detached: a look-up the caller gave up on may end long after, and then
    // only fills in a result nobody reads.
    std::thread([shared, work = std::move(work)] {
        std::optional<T> result;
        std::exception_ptr error;
        try {
            result.emplace(work());
        } catch (...) {
            error = std::current_exception();
        }
        const std::lock_guard lock(shared->mutex);
        shared->result = std::move(result);
        shared->error = error;
        shared->done = true;
        shared->ready.notify_all();
    }).detach();
    return shared;
}

} // namespace spoolerwait

// Runs a look-up (something that changes nothing, so it may be given up
// and left to end on its own) and waits for it at most `limitMs`, or until
// `waiting` gives up. Its result, or nothing; an error it raised is raised
// here.
template <typename T>
std::optional<T> lookUp(std::function<T()> work, Waiting &waiting, int limitMs = kLookUpLimitMs)
{
    const auto shared = spoolerwait::start<T>(std::move(work));
    const bool done = spoolerwait::waitFor<T>(*shared, waiting,
                                              [&](int waited, bool keep) { return !keep || waited >= limitMs; });
    waiting.finished();
    if (!done)
        return std::nullopt;
    if (shared->error)
        std::rethrow_exception(shared->error);
    return shared->result;
}

// Runs work that must not be left half done (a job being sent) and waits
// until it ends. When `waiting` gives up, `stop` is set: the work then ends
// soon on its own (its own time limits end it in any case) and says how it
// ended. Its result; an error it raised is raised here.
template <typename T>
T runToTheEnd(std::function<T(const std::atomic_bool &stop)> work, Waiting &waiting)
{
    auto stop = std::make_shared<std::atomic_bool>(false);
    const auto shared = spoolerwait::start<T>([stop, work = std::move(work)] { return work(*stop); });
    spoolerwait::waitFor<T>(*shared, waiting, [&](int, bool keep) {
        if (!keep)
            *stop = true;
        return false;
    });
    waiting.finished();
    if (shared->error)
        std::rethrow_exception(shared->error);
    return std::move(*shared->result);
}

} // namespace nerufa
