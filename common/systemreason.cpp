#include "systemreason.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace nerufa::systemreason {

QString whyWriteFailed(const QString &path, qint64 bytesTried, const QString &fallback)
{
    // The error number of the failing write is gone by the time the caller
    // learns of it (painting and font look-ups make calls of their own), so
    // the folder is examined instead.
    const QString folder = QFileInfo(path).absolutePath();
    const QByteArray encoded = QFile::encodeName(folder);
    if (!QFileInfo(folder).isDir())
        return QStringLiteral("フォルダ「%1」がありません").arg(folder);
    struct statvfs fs {};
    if (::statvfs(encoded.constData(), &fs) == 0) {
        if (fs.f_flag & ST_RDONLY)
            return QStringLiteral("読み取り専用のディスクです");
        // Blocks an ordinary user may still fill; the few kept for root do
        // not count.
        if (qint64(fs.f_bavail) * qint64(fs.f_frsize) < qMax<qint64>(bytesTried, 64 * 1024))
            return QStringLiteral("ディスクがいっぱいです");
    }
    if (::access(encoded.constData(), W_OK) != 0)
        return QStringLiteral("フォルダに書き込む権限がありません");
    rlimit limit {};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
        && bytesTried >= qint64(limit.rlim_cur))
        return QStringLiteral("ファイルの大きさの上限（%1 バイト）を超えます").arg(qint64(limit.rlim_cur));
    return fallback;
}

bool commitWhole(QSaveFile &file)
{
    return file.flush() && file.commit();
}

} // namespace nerufa::systemreason
