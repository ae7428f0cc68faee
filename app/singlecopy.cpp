#include "singlecopy.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

SingleCopyLock SingleCopyLock::take(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    for (bool folderRemoved = false;;) {
        // Read-only is enough for the lock, and nothing is ever written.
        // O_NONBLOCK: opening a pipe put in the file's place does not wait.
        const int fd = ::open(name.constData(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600);
        if (fd < 0) {
            // A folder is removed only when empty: nothing the operator
            // keeps there is ever deleted. Another copy may have removed it
            // a moment ago.
            if (errno == EISDIR && !folderRemoved && (::rmdir(name.constData()) == 0 || errno == ENOENT)) {
                folderRemoved = true;
                continue;
            }
            return {};
        }
        struct stat status {};
        if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
            ::close(fd);
            return {};
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return {State::Held, fd};
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return {held ? State::OtherCopyRuns : State::Unusable, -1};
    }
}

QString SingleCopyLock::unusableMessage(const QString &path)
{
    return QStringLiteral("ロックファイル「%1」を使えないため、多重起動の確認をしないで起動しました。")
        .arg(QDir::toNativeSeparators(path));
}

SingleCopyLock::SingleCopyLock(SingleCopyLock &&other) noexcept
    : m_state(other.m_state), m_fd(std::exchange(other.m_fd, -1))
{
}

SingleCopyLock &SingleCopyLock::operator=(SingleCopyLock &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_state = other.m_state;
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

SingleCopyLock::~SingleCopyLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}
