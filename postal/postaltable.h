#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringView>
#include <vector>

// Japan's postal codes and the places they stand for, held in memory for
// look-ups both ways: a code to its address (or addresses), and the start
// of an address to the codes. Built by postalfiles.cpp from Debian's SKK
// dictionaries or from a table imported from Japan Post's files; read-only
// once built, so one table may be shared between threads.
namespace nerufa::postal {

// One place a postal code stands for.
struct Place {
    int code = 0;        // 0 .. 9999999
    QString address;     // prefecture, city and town; an office's street address too
    QString office;      // a business code's office name; empty for an area
    bool isOffice = false;
};

class PostalTable {
public:
    // Every place of a code, in the order of its source; empty when the
    // code is unknown.
    QList<Place> lookUp(int code) const;
    bool contains(int code) const;

    // Areas (no offices) whose address begins with `typed`, or whose address
    // without its prefecture does (「千代田区丸」 finds 東京都千代田区丸の内),
    // in code order, at most `limit`.
    QList<Place> complete(QStringView typed, qsizetype limit) const;

    // The prefecture and municipality an address begins with (「東京都千代田区」,
    // 「北海道札幌市北区」, 「長野県南佐久郡北相木村」); empty when it begins with
    // no prefecture.
    QString municipalityOf(QStringView address) const;

    qsizetype size() const { return qsizetype(m_entries.size()); }
    // Memory the table holds, in bytes.
    qsizetype bytes() const;

private:
    friend class TableBuilder;
    // A place as slices of m_text.
    struct Entry {
        quint32 code;
        quint32 address;
        quint32 office;
        quint16 addressLength;
        quint16 officeLength;
        bool isOffice;
    };
    Place place(const Entry &entry) const;
    QStringView addressOf(const Entry &entry) const { return QStringView(m_text).mid(entry.address, entry.addressLength); }

    // The entries of a code, found between the first entries of its first
    // five digits and of the next.
    static constexpr quint32 kPrefixDivisor = 100;
    static constexpr quint32 kPrefixes = 100000;
    std::pair<const Entry *, const Entry *> entriesOf(quint32 code) const;

    QString m_text;
    std::vector<Entry> m_entries; // by code, then source order
    std::vector<quint32> m_prefixStarts; // the first entry of each 5-digit start, and the end
    QSet<QString> m_municipalities;
};

// The code in what an operator typed or pasted: seven digits, half or full
// width, with or without a hyphen after the third, a leading 〒 and blanks
// around allowed. -1 when the text is no such code.
int parseCode(QStringView text);
// Seven digits: 1000001.
QString codeDigits(int code);
// With the hyphen: 100-0001.
QString codeWithHyphen(int code);
// How many characters of an address its prefecture takes: 3, or 4 for
// 神奈川県, 和歌山県 and 鹿児島県; 0 when it begins with no prefecture.
qsizetype prefectureLength(QStringView address);
// A text folded for comparing addresses: width (NFKC), no blanks, ヶ and
// ケ alike.
QString foldAddress(QStringView text);

} // namespace nerufa::postal
