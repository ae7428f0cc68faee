#pragma once

#include <QString>

class QSaveFile;

// Why writing a file failed, in Japanese words the operator can act on.
namespace nerufa::systemreason {

// Looks at where `path` lives after a write there failed: a full disk, a
// read-only file system, a folder without write permission, a missing
// folder, or the process's file-size limit. Returns the reason as a short
// Japanese phrase ("ディスクがいっぱいです"), or `fallback` when none of
// these explains the failure.
QString whyWriteFailed(const QString &path, qint64 bytesTried, const QString &fallback);

// Puts a QSaveFile's file in place, or leaves the old one as it was. Flushes
// first: Qt 6.4's commit() ignores a failed flush of its buffer and would
// rename a truncated file into place (a full disk does exactly that).
bool commitWhole(QSaveFile &file);

} // namespace nerufa::systemreason
