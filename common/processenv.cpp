#include "processenv.h"

#include <QCoreApplication>
#include <QFile>
#include <unistd.h>

namespace nerufa::processenv {

std::optional<QString> folderOfExecutable(const QByteArray &executablePath)
{
    const qsizetype slash = executablePath.lastIndexOf('/');
    if (slash < 0)
        return std::nullopt;
    const QByteArray folder = slash == 0 ? QByteArray("/") : executablePath.left(slash);
    const QString name = QFile::decodeName(folder);
    if (QFile::encodeName(name) != folder)
        return std::nullopt;
    return name;
}

QString programFolder()
{
    // Qt reads the same link but decodes it at once, and a name that does
    // not decode leaves it with nothing; the bytes are read here instead.
    QByteArray path(4096, Qt::Uninitialized);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", path.data(), size_t(path.size()));
        if (length < 0) // no /proc: Qt's own search of argv[0] and PATH
            return QCoreApplication::applicationDirPath();
        if (length < path.size()) {
            path.truncate(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return folderOfExecutable(path).value_or(QString());
}

} // namespace nerufa::processenv
