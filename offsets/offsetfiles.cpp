#include "offsetfiles.h"

#include "fields.h"
#include "runtimeerror.h"
#include "systemreason.h"
#include "textnum.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>

namespace nerufa::offsets {

namespace {

using Kind = RuntimeError::Kind;

// "ファイル「/path/nerufax1.txt」", the way every message names a file.
QString fileLabel(const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("ズレのファイル");
    return QStringLiteral("ファイル「%1」").arg(QDir::toNativeSeparators(path));
}

[[noreturn]] void raise(Kind kind, const QString &detail)
{
    throw RuntimeError(kind, detail);
}

// The start of the message for a program folder that could not be found.
QString unknownFolderText()
{
    return QStringLiteral("プログラムのフォルダーの名前を読み取れないため、");
}

enum class ReadOutcome { Read, NotRegular, TooLarge, Unreadable };

// Reads a whole offset file, but only a regular file (checked before it is
// opened: opening a pipe waits for a writer, and a device such as /dev/zero
// never ends) and only up to kMaxFileBytes, which no offset file reaches.
ReadOutcome readBounded(const QString &path, QByteArray &bytes)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return info.exists() ? ReadOutcome::NotRegular : ReadOutcome::Unreadable;
    if (info.size() > kMaxFileBytes)
        return ReadOutcome::TooLarge;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ReadOutcome::Unreadable;
    bytes = file.read(kMaxFileBytes + 1); // the file may have grown since
    if (file.error() != QFileDevice::NoError)
        return ReadOutcome::Unreadable;
    return bytes.size() > kMaxFileBytes ? ReadOutcome::TooLarge : ReadOutcome::Read;
}

// What "ズレ保存" writes for a box: when the text is a number, the whole
// number the next start reads from it, in plain digits, so that a file saved
// under one locale ("1,000" meaning 1 under de_DE) reads the same under any
// other; any other text as it stands.
QString storedText(const QString &text, const QLocale &locale)
{
    try {
        return QString::number(textnum::toInt32(text, {}, locale));
    } catch (const RuntimeError &) {
        return text;
    }
}

void writeOffsetFile(const QString &path, const QString &text)
{
    if (path.isEmpty())
        raise(Kind::FileError, unknownFolderText() + QStringLiteral("ズレを保存できません。"));
    // QSaveFile writes through a link to the file it points at. A link to
    // something that is no regular file (/dev/zero, a pipe) would have that
    // replaced, so it is refused. A pipe or device node in the file's own
    // place is replaced by the rename below like any old file.
    const QFileInfo existing(path);
    if (existing.isSymLink() && existing.exists() && !existing.isFile()) {
        raise(Kind::FileError,
              QStringLiteral("%1は通常のファイルを指していないリンクのため、書き込めません。").arg(fileLabel(path)));
    }

    // Stateless, so that a text the encoding cannot hold is written with a
    // replacement character rather than silently shortened.
    QStringEncoder encode(QStringConverter::System, QStringConverter::Flag::Stateless);
    QByteArray bytes = encode(text);
    bytes += "\r\n";

    // QSaveFile writes a temporary file next to the target and renames it
    // over the target only on commit, so the old file stays whole until the
    // new one is complete. Leaving the scope without commit discards the
    // temporary file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()
        || !systemreason::commitWhole(file)) {
        raise(Kind::FileError, QStringLiteral("%1に書き込めません。").arg(fileLabel(path)));
    }
}

// Start-up helpers: each turns a failure into a warning; the caller then
// uses a fallback value.

void createForStartup(const QString &path, int neutral, QStringList &warnings)
{
    try {
        // Digits and CR LF are the same bytes in every 8-bit encoding.
        ensureExists(path, QByteArray::number(neutral) + "\r\n");
    } catch (const RuntimeError &) {
        warnings << QStringLiteral("%1を作成できないため、このフォルダーにはズレを保存できません。")
                        .arg(fileLabel(path));
    }
}

int readForStartup(const QString &path, QStringList &warnings)
{
    const QString file = fileLabel(path);
    QByteArray bytes;
    switch (readBounded(path, bytes)) {
    case ReadOutcome::Read:
        break;
    case ReadOutcome::NotRegular:
        warnings << QStringLiteral("%1は通常のファイルではないため、ズレを0にしました。").arg(file);
        return 0;
    case ReadOutcome::TooLarge:
        warnings << QStringLiteral("%1は%2バイトを超えているため、ズレを0にしました。").arg(file).arg(kMaxFileBytes);
        return 0;
    case ReadOutcome::Unreadable:
        warnings << QStringLiteral("%1を読み込めないため、ズレを0にしました。").arg(file);
        return 0;
    }
    try {
        return clampToSpinner(parseOffsetContent(bytes, path));
    } catch (const RuntimeError &e) {
        if (e.kind() == Kind::Overflow)
            warnings << QStringLiteral("%1の数値が大きすぎるため、ズレを0にしました。").arg(file);
        else
            warnings << QStringLiteral("%1の内容が数値ではないため、ズレを0にしました。").arg(file);
        return 0;
    }
}

} // namespace

OffsetPaths OffsetPaths::in(const QString &programDir)
{
    if (programDir.isEmpty())
        return {}; // never the working directory
    const QDir dir(programDir);
    return {dir.filePath(QLatin1String(kXFileName)), dir.filePath(QLatin1String(kYFileName))};
}

void ensureExists(const QString &path, const QByteArray &content)
{
    if (QFileInfo::exists(path))
        return;
    QFile file(path);
    // NewOnly never truncates: a file that appeared since the test above
    // (another copy starting at the same moment) is kept.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (QFileInfo::exists(path))
            return;
        raise(Kind::FileError, QStringLiteral("%1を作成できません。").arg(fileLabel(path)));
    }
    // A file left shorter would read as another number, so it is removed.
    if (file.write(content) != content.size() || !file.flush()) {
        file.remove();
        raise(Kind::FileError, QStringLiteral("%1を作成できません。").arg(fileLabel(path)));
    }
}

std::int32_t parseOffsetContent(const QByteArray &bytes, const QString &fileName)
{
    // A file of length 0 has no lines at all, which reads as 0. A file
    // holding only a line end has one empty line, which is no number.
    if (bytes.isEmpty())
        return 0;

    // Stateless, so that a multi-byte sequence cut off at the end of the
    // file counts as an error instead of being held back unseen.
    QStringDecoder decode(QStringConverter::System, QStringConverter::Flag::Stateless);
    QString text = decode(bytes);
    const QString file = fileLabel(fileName);
    if (decode.hasError())
        raise(Kind::TypeMismatch, QStringLiteral("%1に文字として読めないバイトがあります。").arg(file));

    // CR LF, a lone LF and a lone CR each end a line, and the lines are
    // joined with nothing between them: together that is the text with
    // every CR and LF taken out. Neither character occurs inside a
    // multi-byte character, so removing them after decoding is the same as
    // splitting the bytes first.
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));

    try {
        return textnum::toInt32(text, {}, QLocale());
    } catch (const RuntimeError &e) {
        if (e.kind() == Kind::Overflow)
            raise(Kind::Overflow, QStringLiteral("%1の数値が大きすぎます。").arg(file));
        if (text.trimmed().isEmpty())
            raise(Kind::TypeMismatch, QStringLiteral("%1に数値が書かれていません。").arg(file));
        raise(Kind::TypeMismatch, QStringLiteral("%1の内容は数値ではありません。").arg(file));
    }
}

std::int32_t readOffsetFile(const QString &path)
{
    QByteArray bytes;
    switch (readBounded(path, bytes)) {
    case ReadOutcome::Read:
        return parseOffsetContent(bytes, path);
    case ReadOutcome::NotRegular:
        raise(Kind::FileError, QStringLiteral("%1は通常のファイルではありません。").arg(fileLabel(path)));
    case ReadOutcome::TooLarge:
        raise(Kind::FileError,
              QStringLiteral("%1は%2バイトを超えています。").arg(fileLabel(path)).arg(kMaxFileBytes));
    case ReadOutcome::Unreadable:
        break;
    }
    raise(Kind::FileError, QStringLiteral("%1を読み込めません。").arg(fileLabel(path)));
}

void saveOffsets(const OffsetPaths &paths, const QString &xText, const QString &yText,
                 const QLocale &locale)
{
    // X is finished before Y is begun: an X failure writes nothing, a Y
    // failure leaves the new X in place.
    writeOffsetFile(paths.x, storedText(xText, locale));
    writeOffsetFile(paths.y, storedText(yText, locale));
}

int clampToSpinner(std::int32_t value)
{
    return std::clamp<std::int32_t>(value, kSpinnerMin, kSpinnerMax);
}

LoadedOffsets loadOffsets(const OffsetPaths &paths)
{
    // Both files are created before either is read. A file that could not
    // be created is still missing, so reading gives its neutral value.
    QStringList creationWarnings;
    if (!paths.x.isEmpty() && !paths.y.isEmpty()) {
        createForStartup(paths.x, slip::kNeutralOffsetX, creationWarnings);
        createForStartup(paths.y, slip::kNeutralOffsetY, creationWarnings);
    }
    LoadedOffsets loaded = readOffsets(paths);
    loaded.warnings = creationWarnings + loaded.warnings;
    return loaded;
}

LoadedOffsets readOffsets(const OffsetPaths &paths)
{
    LoadedOffsets loaded;
    if (paths.x.isEmpty() || paths.y.isEmpty()) {
        loaded.warnings << unknownFolderText() + QStringLiteral("ズレを0にしました。「ズレ保存」もできません。");
        return loaded;
    }
    return readOffsets(OffsetPlace{paths, {}, false});
}

QString userConfigFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

OffsetPlace resolvePlace(const QString &programDir, const QString &configFolder)
{
    // Saving makes a temporary file in the folder and renames it over the
    // old one, so the folder itself must take new files. The effective ids
    // decide, as they decide the save.
    const bool writable = programDir.isEmpty()
        || ::faccessat(AT_FDCWD, QFile::encodeName(programDir).constData(), W_OK | X_OK, AT_EACCESS) == 0;
    if (writable)
        return {OffsetPaths::in(programDir), {}, false};
    const QString own = configFolder.isEmpty() ? QString() : QDir(configFolder).filePath(QLatin1String(kUserFolderName));
    return {OffsetPaths::in(own), OffsetPaths::in(programDir), true};
}

LoadedOffsets loadOffsets(const OffsetPlace &place)
{
    return place.perUser ? readOffsets(place) : loadOffsets(place.files);
}

LoadedOffsets readOffsets(const OffsetPlace &place)
{
    if (!place.perUser && (place.files.x.isEmpty() || place.files.y.isEmpty()))
        return readOffsets(place.files); // the refusal above
    LoadedOffsets loaded;
    // An axis reads the first of its files that exists; with none it takes
    // the neutral value, which is what a new installation starts with.
    const auto read = [&](std::initializer_list<QString> candidates, int neutral, QString &source) {
        for (const QString &path : candidates) {
            if (!path.isEmpty() && QFileInfo::exists(path)) {
                source = path;
                return readForStartup(path, loaded.warnings);
            }
        }
        return neutral;
    };
    loaded.x = read({place.files.x, place.beside.x}, slip::kNeutralOffsetX, loaded.xFile);
    loaded.y = read({place.files.y, place.beside.y}, slip::kNeutralOffsetY, loaded.yFile);
    return loaded;
}

void saveOffsets(const OffsetPlace &place, const QString &xText, const QString &yText, const QLocale &locale)
{
    if (place.perUser) {
        if (place.files.x.isEmpty())
            raise(Kind::FileError, QStringLiteral("ユーザーの設定フォルダーが分からないため、ズレを保存できません。"));
        // A folder that cannot be made shows as the X file that cannot be
        // written, and nothing is written.
        QDir().mkpath(QFileInfo(place.files.x).path());
    }
    saveOffsets(place.files, xText, yText, locale);
}

} // namespace nerufa::offsets
