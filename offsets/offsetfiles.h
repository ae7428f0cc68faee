#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <cstdint>

// The two offset files that keep the print shift between runs, one file per
// axis, each holding one line: the offset box's text and CR LF.
//
// Every function that touches a file raises nerufa::RuntimeError (FileError,
// TypeMismatch or Overflow) with a Japanese detail that names the file.
namespace nerufa::offsets {

// Range of the two offset spinners.
inline constexpr int kSpinnerMin = -1000;
inline constexpr int kSpinnerMax = 1000;

// No offset file is read past this many bytes; a saved one holds a few.
inline constexpr qint64 kMaxFileBytes = 4096;

// File names of the X and Y offset files inside the program folder.
inline constexpr char kXFileName[] = "nerufax1.txt";
inline constexpr char kYFileName[] = "nerufay1.txt";

struct OffsetPaths {
    QString x;
    QString y;

    // Full paths of both files in the given program folder. An empty
    // folder (one that could not be found) gives empty paths, which the
    // functions below refuse rather than use the working directory.
    static OffsetPaths in(const QString &programDir);
};

// Creates the file at `path` holding `content` when nothing is there yet; an
// existing file is left as it is, a 0-byte one included. FileError when it
// cannot be created or written whole (a part-written file is removed).
void ensureExists(const QString &path, const QByteArray &content = {});

// The reading rule on a file's bytes: a 0-byte file gives 0; otherwise the
// lines, decoded from the locale's 8-bit encoding, are joined without their
// line ends and the result is converted like a whole-number box (blanks
// around it allowed, halves to the even number). CR LF, LF and a lone CR
// each end a line. `fileName`, when given, names the file in errors.
// TypeMismatch for text that is no number, Overflow past 32 bits.
std::int32_t parseOffsetContent(const QByteArray &bytes, const QString &fileName = {});

// Reads the file at `path` with the rule above. FileError when it cannot be
// read, is no regular file (a pipe, a device, a folder; links are followed)
// or is longer than kMaxFileBytes; such a file is not opened, or not read
// past the limit.
std::int32_t readOffsetFile(const QString &path);

// Writes each box into its file plus CR LF, X first, then Y: a text that is
// a number in `locale` as the whole number the reading rule makes of it
// (plain digits, so that it reads the same in any locale), any other text
// as it is. Each file is replaced as a whole or not at all; a link to
// something other than a regular file is refused. FileError names the file
// that failed; when Y fails, X keeps its new content and Y its old one.
void saveOffsets(const OffsetPaths &paths, const QString &xText, const QString &yText,
                 const QLocale &locale = QLocale());

// A stored value outside the spinner range takes the nearest end.
int clampToSpinner(std::int32_t value);

struct LoadedOffsets {
    int x = 0;
    int y = 0;
    // The file each value was read from; empty when no file was there and
    // the value is the neutral one.
    QString xFile;
    QString yFile;
    // One Japanese sentence per problem, to be shown together once.
    QStringList warnings;
};

// Start-up reading: makes sure the X file and then the Y file exist (a
// missing one is created holding the neutral value), then reads X and Y,
// clamped into the spinner range. A file that cannot be created gives the
// neutral value and a warning; one that cannot be read, is no small regular
// file or holds no usable number gives 0 and a warning. Such a file is never
// rewritten here. Empty paths (no program folder) give 0 and 0 and one
// warning.
LoadedOffsets loadOffsets(const OffsetPaths &paths);

// The same reading without writing anything, for programs that only print
// with the stored offsets: a missing file gives the neutral value that
// start-up would have stored in it.
LoadedOffsets readOffsets(const OffsetPaths &paths);

// The folder under the user's configuration folder that holds the offsets
// of a program whose own folder cannot be written to.
inline constexpr char kUserFolderName[] = "nerufa-slip";

// Where one run keeps its offsets. The window's start-up and 「ズレ保存」 and
// the command line all go through resolvePlace, so they agree on the files.
struct OffsetPlace {
    // The two files 「ズレ保存」 writes and start-up reads.
    OffsetPaths files;
    // Per user only: the files beside the program, read for an axis whose
    // own file does not exist yet (a calibration the administrator left
    // there).
    OffsetPaths beside;
    bool perUser = false;
};

// $XDG_CONFIG_HOME, or ~/.config when it is not set.
QString userConfigFolder();

// The rule. A program folder this process may write to keeps the files
// beside the program, exactly as before (a copied or portable program).
// Any other keeps them in `configFolder`/nerufa-slip/, made on the first
// save. An empty program folder (one whose name could not be read) keeps
// the program-folder rule and its refusal.
OffsetPlace resolvePlace(const QString &programDir, const QString &configFolder = userConfigFolder());

// Start-up reading of a place: beside the program as loadOffsets above;
// per user nothing is created, and an axis without its own file reads the
// file beside the program if there is one, else takes the neutral value,
// without a warning.
LoadedOffsets loadOffsets(const OffsetPlace &place);
// The same without creating anything (the command line).
LoadedOffsets readOffsets(const OffsetPlace &place);
// 「ズレ保存」 into the place's files; per user the folder is made first.
// Failures as saveOffsets above.
void saveOffsets(const OffsetPlace &place, const QString &xText, const QString &yText,
                 const QLocale &locale = QLocale());

} // namespace nerufa::offsets
