#include "offsetfiles.h"

#include "runtimeerror.h"
#include "textnum.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>

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

void writeOffsetFile(const QString &path, const QString &text)
{
    // Stateless, so that a text the encoding cannot hold is written with a
    // replacement character rather than silently shortened.
    QStringEncoder encode(QStringConverter::System, QStringConverter::Flag::Stateless);
    QByteArray bytes = encode(text);
    bytes += "\r\n";

    // QSaveFile writes a temporary file next to the target and renames it
    // over the target only on commit, so the old file stays whole until the
    // new one is complete. The explicit flush matters: Qt 6.4's commit()
    // ignores a failed flush of its buffer and would then rename a truncated
    // file into place (a full disk does exactly that). Leaving the scope
    // without commit discards the temporary file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()
        || !file.commit()) {
        raise(Kind::FileError, QStringLiteral("%1に書き込めません。").arg(fileLabel(path)));
    }
}

// Start-up helpers: each turns a failure into a warning; the caller then
// uses a fallback value.

bool createForStartup(const QString &path, int neutral, QStringList &warnings)
{
    try {
        // Digits and CR LF are the same bytes in every 8-bit encoding.
        ensureExists(path, QByteArray::number(neutral) + "\r\n");
        return true;
    } catch (const RuntimeError &) {
        warnings << QStringLiteral("%1を作成できないため、このフォルダーにはズレを保存できません。")
                        .arg(fileLabel(path));
        return false;
    }
}

int readForStartup(const QString &path, QStringList &warnings)
{
    try {
        return clampToSpinner(readOffsetFile(path));
    } catch (const RuntimeError &e) {
        const QString file = fileLabel(path);
        switch (e.kind()) {
        case Kind::TypeMismatch:
            warnings << QStringLiteral("%1の内容が数値ではないため、ズレを0にしました。").arg(file);
            break;
        case Kind::Overflow:
            warnings << QStringLiteral("%1の数値が大きすぎるため、ズレを0にしました。").arg(file);
            break;
        default:
            warnings << QStringLiteral("%1を読み込めないため、ズレを0にしました。").arg(file);
            break;
        }
        return 0;
    }
}

} // namespace

OffsetPaths OffsetPaths::in(const QString &programDir)
{
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        raise(Kind::FileError, QStringLiteral("%1を読み込めません。").arg(fileLabel(path)));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        raise(Kind::FileError, QStringLiteral("%1を読み込めません。").arg(fileLabel(path)));
    return parseOffsetContent(bytes, path);
}

void saveOffsets(const OffsetPaths &paths, const QString &xText, const QString &yText)
{
    // X is finished before Y is begun: an X failure writes nothing, a Y
    // failure leaves the new X in place.
    writeOffsetFile(paths.x, xText);
    writeOffsetFile(paths.y, yText);
}

int clampToSpinner(std::int32_t value)
{
    return std::clamp<std::int32_t>(value, kSpinnerMin, kSpinnerMax);
}

LoadedOffsets loadOffsets(const OffsetPaths &paths)
{
    LoadedOffsets loaded;
    // Both files are created before either is read. A file that could not
    // be created is not read as well, so it gives only one warning.
    const bool haveX = createForStartup(paths.x, kNeutralX, loaded.warnings);
    const bool haveY = createForStartup(paths.y, kNeutralY, loaded.warnings);
    loaded.x = haveX ? readForStartup(paths.x, loaded.warnings) : kNeutralX;
    loaded.y = haveY ? readForStartup(paths.y, loaded.warnings) : kNeutralY;
    return loaded;
}

} // namespace nerufa::offsets
