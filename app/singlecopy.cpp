#include "singlecopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// Whether a running process holds the lock file. QLockFile takes an
// exclusive flock on its file right after creating it, before it writes
// the owner into it, and keeps it until it unlocks or its process ends; so
// this also sees a copy that is still writing its lock file. The open does
// not block when something other than a file is in its place.
bool heldByRunningProcess(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

// A lock that QLockFile refused: its owner is a running process, or it is
// held while being written.
bool ownedByRunningProcess(const QLockFile &lock, const QString &path)
{
    qint64 pid = 0;
    QString host;
    QString application;
    return lock.getLockInfo(&pid, &host, &application) || heldByRunningProcess(path);
}

// A folder is removed only when empty: nothing the operator keeps there is
// ever deleted.
bool removeBroken(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        return QDir().rmdir(path);
    return QFile::remove(path);
}

} // namespace

SingleCopyLock SingleCopyLock::take(const QString &path)
{
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        return {State::Held, std::move(lock)};
    if (lock->error() != QLockFile::LockFailedError)
        return {State::Unusable, nullptr};
    if (ownedByRunningProcess(*lock, path))
        return {State::OtherCopyRuns, nullptr};

    // Two copies started together must not both remove the broken lock and
    // take it: the second could remove the first one's new lock. Removing
    // and taking happen under the guard QLockFile uses for stale locks; if
    // even that cannot be had, this copy goes on without it.
    QLockFile guard(path + QStringLiteral(".rmlock"));
    guard.tryLock(1000);
    if (ownedByRunningProcess(*lock, path))
        return {State::OtherCopyRuns, nullptr};
    const bool removed = removeBroken(path);
    if (lock->tryLock(0))
        return {State::Held, std::move(lock)};
    if (removed && lock->error() == QLockFile::LockFailedError)
        return {State::OtherCopyRuns, nullptr}; // another copy took it meanwhile
    return {State::Unusable, nullptr};
}

QString SingleCopyLock::unusableMessage(const QString &path)
{
    return QStringLiteral("ロックファイル「%1」を使えないため、多重起動の確認をしないで起動しました。")
        .arg(QDir::toNativeSeparators(path));
}
