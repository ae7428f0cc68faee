#pragma once

#include "postalfiles.h"

#include <QString>

// Japan Post's current code lists into the imported table, which then takes
// the place of Debian's dictionary of the same kind.
namespace nerufa::postal {

struct ImportResult {
    QString error;    // a Japanese sentence naming the file and line; empty on success
    QString stored;   // the table written
    qsizetype places = 0;
};

// Reads one of Japan Post's files, whichever of these it is:
//   utf_ken_all.csv  (UTF-8) or KEN_ALL.CSV (Shift_JIS): areas, 15 columns;
//   JIGYOSYO.CSV (Shift_JIS): offices, 13 columns.
// The file is read in pieces and each place written as it is read, so a
// file of any size is never held in memory. A place split over several rows
// (a long town name) is joined; 「以下に掲載がない場合」 and the like stand
// for the whole municipality. The table of that kind is replaced atomically
// and only when the whole file was read: on any problem the table stored
// before stays as it was.
ImportResult importJapanPostFile(const QString &path, const PostalSources &sources);

} // namespace nerufa::postal
