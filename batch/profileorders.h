#pragma once

#include "csvtable.h"
#include "orders.h"
#include "profile.h"
#include "profilestore.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

// A CSV file read through an import profile, and the choice of the profile
// by the file's header. Files in the built-in format are read exactly as
// before; a profile only comes in for a header the built-in format does not
// know, or when one is named.
namespace nerufa::batch {

// A table's orders as the profile maps them.
struct MappedOrders {
    OrderList list;          // all or nothing, as readOrders gives it
    QList<int> skippedRows;  // data rows the profile's filter leaves out
    int goodRows = 0;        // rows that passed every check
};
MappedOrders mapOrders(const CsvTable &table, const Profile &profile, const QDate &today);

// What keeps the profile from reading this table's header: a column it
// reads that the file lacks or has twice, a column it neither reads nor
// ignores. Empty: the profile can read the file.
QStringList headerProblems(const CsvTable &table, const Profile &profile);
// True when the profile was made for this header (and can read it): such a
// profile is chosen by itself.
bool madeFor(const CsvTable &table, const Profile &profile);

// One field's text from a record, joined and cleaned as the source says
// (before its value table).
QString sourceText(const QStringList &header, const QStringList &record, const FieldSource &source);

// True when every named column of the header is one of the built-in
// format's column names.
bool isBuiltInHeader(const QStringList &header);

// A file of orders and how it was read.
struct ChosenOrders {
    OrderList list;
    QString profile;           // the profile used; empty: the built-in format
    bool builtInProfile = false;
    QStringList passedOver;    // other profiles made for the same header
    QStringList passedOverBuiltIn;
    QList<int> skippedRows;
    QString filter;            // the filter that skipped them, in words
    // Neither the built-in format nor any profile knows the header: the
    // problems are the built-in format's, and the window asks how to map.
    bool unknownHeader = false;
    CsvTable table;            // the file as decoded, for that question
    QStringList profileProblems; // profile files left out, unreadable
};

// Reads the file with the profile that `profileArgument` names (a name or a
// file), or else in the built-in format when it knows the header, or else
// with the newest profile made for the header (the user's before the
// built-in ones).
ChosenOrders readChosenOrders(const QString &path, const QDate &today, const QString &profileArgument = {},
                              const QString &folder = profileFolder());

// Lines for a confirmation: which profile read the file, which ones it was
// chosen over, which rows the filter left out. Empty for the built-in format.
QStringList readingNotes(const ChosenOrders &chosen);

// The slip's fields as a print will read them, one "欄：文字" line each,
// the empty and hidden ones left out.
QStringList slipLines(const SlipSnapshot &slip);

} // namespace nerufa::batch
