#pragma once

#include "csvtable.h"
#include "fields.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// An import profile: how the CSV export of some other system (a shop, an
// order system) becomes the slip's fields, kept in a small JSON file the
// user can read and edit. The texts it gives go through the same slip rules
// as the built-in format and the window, so limits, numbers and options are
// checked exactly the same way.
namespace nerufa::batch {

// Clean-ups a field's source texts may go through, always in this order.
enum Cleanup {
    WidthFold = 1, // NFKC: full-width digits and letters to half-width, half-width kana to full-width
    PostalSigns = 2, // hyphens, dashes and blanks out, so 123-4567 is 1234567
    Trim = 4, // blanks (the ideographic one too) off both ends
};

// One entry of a value table: a text found in the file and the option it
// chooses (1-based), or none when the file's value has no box on the slip
// and such a row must be refused.
struct ValueRule {
    QString from;
    std::optional<int> choice;
};

// Where one slip field comes from.
struct FieldSource {
    QStringList columns;   // empty: the field stays empty
    QString separator;     // between the non-empty texts of several columns
    int cleanups = 0;      // Cleanup flags
    QList<ValueRule> values; // the time slot's and the notification's only
};

// The whole profile. Column names are compared width folded and without
// blanks, as the built-in format compares its header.
struct Profile {
    QString name;           // the file's name without .json, or a built-in's name
    QString file;           // where it was read from; empty for a built-in
    bool builtIn = false;
    QDateTime modified;     // of its file; the newer of two that fit wins
    Encoding encoding = Encoding::Auto;
    QStringList header;     // the header of the files it was made for
    // True: a file fits when it has every header column, and its other
    // columns are ignored. False: a file fits when its header is the same,
    // and every column must be read or listed in `ignored`.
    bool otherColumnsIgnored = false;
    QStringList ignored;
    std::array<FieldSource, slip::kFieldCount> sources; // indexed by FieldId
    // Only rows whose filter column holds one of the values are printed.
    QString filterColumn;
    QStringList filterValues;
};

// A profile read from JSON, or what is wrong with it: Japanese sentences
// naming the profile and the item. A profile with problems is not used.
struct ProfileRead {
    Profile profile;
    QStringList problems;
};
ProfileRead parseProfile(const QByteArray &json, const QString &name);
// The profile as the JSON file it is kept in.
QByteArray profileJson(const Profile &profile);

// A source text cleaned as the profile says.
QString cleaned(const QString &text, int cleanups);

// The profiles that come with the program.
QList<Profile> builtInProfiles();

} // namespace nerufa::batch
