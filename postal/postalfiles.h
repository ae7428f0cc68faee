#pragma once

#include "postaltable.h"

#include <QString>
#include <QStringList>
#include <memory>

// Where the postal table comes from, and reading it.
//
// Two kinds of codes, each from the first of two files that exists:
//   areas:   the imported table in $XDG_DATA_HOME/nerufa-slip/, else Debian's
//            /usr/share/skk/SKK-JISYO.zipcode (package skkdic-extra);
//   offices: the imported table, else /usr/share/skk/SKK-JISYO.office.zipcode.
// The SKK dictionaries are EUC-JIS-2004, one code a line:
//   1000001 /東京都千代田区千代田/
//   0030022 /北海道札幌市白石区南郷通/北海道札幌市白石区南郷通南/
//   1028455 /株式会社　セブン—イレブン・ジャパン @ 東京都千代田区二番町８−８/
// Lines that are no postal entry (comments, other words) are skipped.
// An imported table is UTF-8 text written by importJapanPostFile:
//   a header line, then "code TAB municipality length TAB address TAB office",
//   then an end line with the count, so that a cut file shows.
namespace nerufa::postal {

struct PostalSources {
    QString areaDictionary;
    QString officeDictionary;
    QString importedAreas;
    QString importedOffices;

    // Debian's dictionaries and the user's imported tables.
    static PostalSources standard();
    // The same file names in other folders (tests).
    static PostalSources in(const QString &dictionaryFolder, const QString &dataFolder);
};

struct LoadedTable {
    // Null when no file was there or none could be read: no look-up.
    std::shared_ptr<const PostalTable> table;
    // One Japanese sentence per file that could not be read, naming the
    // file and line; that file's codes are left out.
    QStringList problems;
};

LoadedTable loadTable(const PostalSources &sources);

// The imported table's header line; the importer writes it.
QByteArray importedHeader();

} // namespace nerufa::postal
