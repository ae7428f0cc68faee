#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace nerufa::batch {

// A CSV file as text: the header's names and every record's fields, as
// written (no blanks trimmed). Problems are Japanese sentences; when there
// is one, the records may be incomplete and must not be used.
struct CsvTable {
    QString encoding;            // "UTF-8" or "Shift_JIS"
    QStringList header;
    QList<QStringList> records;  // record i is data row i + 1
    QStringList problems;
};

// How the bytes are decoded: detected, or as the named encoding only.
enum class Encoding { Auto, Utf8, ShiftJis };

// Decodes the bytes and splits them into records.
//
// The encoding is detected: UTF-8 (with or without the byte-order mark) when
// the bytes are valid UTF-8, else Shift_JIS as Windows writes it (CP932,
// with its NEC and IBM extensions). Bytes that are neither give a problem
// per line that holds them. Fields follow RFC 4180: quoted fields may hold
// commas, doubled quotes and line breaks; lines end in CR LF or LF; empty
// lines are skipped. A quote in the wrong place, or a quoted field that
// never ends, is a problem naming the data row. With an encoding given,
// only that one is tried.
CsvTable parseCsv(const QByteArray &bytes, Encoding encoding = Encoding::Auto);

} // namespace nerufa::batch
