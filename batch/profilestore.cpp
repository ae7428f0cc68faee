#include "profilestore.h"

#include "systemreason.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>

namespace nerufa::batch {

namespace {

const QString kSuffix = QStringLiteral(".json");

// A profile is a few kilobytes; anything far larger is not one.
constexpr qint64 kLargestProfile = 1024 * 1024;

QString nameOf(const QString &path)
{
    const QString file = QFileInfo(path).fileName();
    return file.endsWith(kSuffix) ? file.chopped(kSuffix.size()) : file;
}

} // namespace

QString profileFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/nerufa-slip/profiles");
}

QString profileFile(const QString &name, const QString &folder)
{
    return folder + QLatin1Char('/') + name + kSuffix;
}

ProfileRead readProfileFile(const QString &path)
{
    const QFileInfo info(path);
    QFile file(path);
    ProfileRead read;
    const QString name = nameOf(path);
    // Only a plain file: a FIFO or a device could keep the read from ending.
    if (!info.isFile() || info.size() > kLargestProfile || !file.open(QIODevice::ReadOnly)) {
        read.profile.name = name;
        read.problems << QStringLiteral("プロファイル「%1」：ファイル「%2」を読めません（ないか、ふつうのファイルではないか、1 MB を超えています）")
                             .arg(name, path);
        return read;
    }
    read = parseProfile(file.readAll(), name);
    read.profile.file = info.absoluteFilePath();
    read.profile.modified = info.lastModified();
    return read;
}

ProfileShelf loadProfiles(const QString &folder)
{
    ProfileShelf shelf;
    const QFileInfoList files = QDir(folder).entryInfoList({QLatin1Char('*') + kSuffix}, QDir::Files);
    for (const QFileInfo &file : files) {
        ProfileRead read = readProfileFile(file.filePath());
        if (read.problems.isEmpty())
            shelf.profiles << read.profile;
        else
            shelf.problems << read.problems;
    }
    std::stable_sort(shelf.profiles.begin(), shelf.profiles.end(),
                     [](const Profile &a, const Profile &b) { return a.modified > b.modified; });
    shelf.profiles << builtInProfiles();
    return shelf;
}

ProfileRead findProfile(const QString &nameOrFile, const QString &folder)
{
    if (QFileInfo(nameOrFile).isFile() && (nameOrFile.contains(QLatin1Char('/')) || nameOrFile.endsWith(kSuffix)))
        return readProfileFile(nameOrFile);
    if (QFileInfo::exists(profileFile(nameOrFile, folder)))
        return readProfileFile(profileFile(nameOrFile, folder));
    for (const Profile &profile : builtInProfiles())
        if (profile.name == nameOrFile)
            return {profile, {}};
    ProfileRead missing;
    missing.problems << QStringLiteral("プロファイル「%1」がありません（%2 にも、組み込みのプロファイルにもありません）").arg(nameOrFile, folder);
    return missing;
}

QString saveProfile(const Profile &profile, const QString &name, QString *problem, const QString &folder)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('.')) || trimmed.contains(QLatin1Char('/'))
        || trimmed.contains(QChar(0)) || trimmed.size() > 80) {
        *problem = QStringLiteral("プロファイルの名前「%1」は使えません（80 文字まで。「/」と先頭の「.」は使えません）").arg(name);
        return {};
    }
    const QByteArray json = profileJson(profile);
    const ProfileRead check = parseProfile(json, trimmed);
    if (!check.problems.isEmpty()) {
        *problem = check.problems.join(QLatin1Char('\n'));
        return {};
    }
    const QString path = profileFile(trimmed, folder);
    // The temporary file is renamed over the old profile only once the new
    // one is written whole.
    QSaveFile file(path);
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) || file.write(json) != json.size()
        || !systemreason::commitWhole(file)) {
        *problem = QStringLiteral("プロファイル「%1」をファイル「%2」に保存できません（%3）")
                       .arg(trimmed, path, systemreason::whyWriteFailed(path, json.size(), QStringLiteral("書き込めません")));
        return {};
    }
    return path;
}

} // namespace nerufa::batch
