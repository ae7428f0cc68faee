#pragma once

#include <QString>

// The lock that keeps a second copy of the program from running: an
// advisory lock (flock) on a file in the per-user runtime folder, held for
// as long as the copy runs. Nothing is written into the file; the system
// drops the lock when the process ends, however it ends, so a lock is never
// left behind by a copy that was killed. Earlier versions locked the same
// file with QLockFile, which takes the same kind of lock: a copy of either
// version refuses to run beside the other.
class SingleCopyLock {
public:
    enum class State {
        Held,          // this copy holds the lock
        OtherCopyRuns, // a running process holds it
        Unusable,      // it cannot be made or locked
    };

    // Takes the lock at `path`, making the file when it is missing. An
    // empty folder in the file's place is removed first; anything else that
    // is not a file (a folder with something in it, a pipe) is left as it is
    // and makes the lock Unusable.
    static SingleCopyLock take(const QString &path);
    // What the operator is told, once, when the program runs without the
    // check because the lock is Unusable.
    static QString unusableMessage(const QString &path);

    SingleCopyLock() = default;
    SingleCopyLock(SingleCopyLock &&other) noexcept;
    SingleCopyLock &operator=(SingleCopyLock &&other) noexcept;
    SingleCopyLock(const SingleCopyLock &) = delete;
    SingleCopyLock &operator=(const SingleCopyLock &) = delete;
    // Releases the lock when Held.
    ~SingleCopyLock();

    State state() const { return m_state; }

private:
    SingleCopyLock(State state, int fd) : m_state(state), m_fd(fd) {}

    State m_state = State::Unusable;
    int m_fd = -1; // the locked file while Held
};
