#pragma once

#include <QString>
#include <memory>

class QLockFile;

// The lock that keeps a second copy of the program from running: a
// QLockFile in the per-user runtime folder, never treated as stale by its
// age (a copy may run all day).
struct SingleCopyLock {
    enum class State {
        Held,          // this copy holds the lock
        OtherCopyRuns, // a running process holds it
        Unusable,      // it cannot be made or a broken one cannot be removed
    };
    State state;
    std::unique_ptr<QLockFile> lock; // set while Held

    // Takes the lock at `path`. QLockFile itself takes over a lock whose
    // process is gone; here a lock file that no running process holds but
    // that QLockFile cannot read is removed and taken too: one left empty
    // or half written by a copy killed while writing it, junk, or an empty
    // folder in its place.
    static SingleCopyLock take(const QString &path);
    // What the operator is told, once, when the program runs without the
    // check because the lock is Unusable.
    static QString unusableMessage(const QString &path);
};
