#include "postaltable.h"

#include <QRegularExpression>
#include <algorithm>

namespace nerufa::postal {

// Every prefecture's name ends in 都, 道, 府 or 県.
qsizetype prefectureLength(QStringView address)
{
    if (address.size() > 3 && address[3] == u'県')
        return 4;
    if (address.size() >= 3 && QStringView(u"都道府県").contains(address[2]))
        return 3;
    return 0;
}

int parseCode(QStringView text)
{
    QString folded = text.toString().normalized(QString::NormalizationForm_KC).trimmed();
    if (folded.startsWith(u'〒'))
        folded = folded.mid(1).trimmed();
    // A hyphen may be any of the dashes a keyboard, an input method or a
    // web page gives: - ‐ − ー (－ is - after width folding).
    if (folded.size() == 8 && QStringView(u"-‐−ー").contains(folded[3]))
        folded.remove(3, 1);
    if (folded.size() != 7)
        return -1;
    int code = 0;
    for (QChar c : folded) {
        if (c < u'0' || c > u'9')
            return -1;
        code = code * 10 + (c.unicode() - u'0');
    }
    return code;
}

QString codeDigits(int code)
{
    return QStringLiteral("%1").arg(code, 7, 10, QLatin1Char('0'));
}

QString codeWithHyphen(int code)
{
    const QString digits = codeDigits(code);
    return digits.left(3) + u'-' + digits.mid(3);
}

QString foldAddress(QStringView text)
{
    QString folded = text.toString().normalized(QString::NormalizationForm_KC);
    folded.removeIf([](QChar c) { return c.isSpace(); });
    folded.replace(u'ヶ', u'ケ');
    return folded;
}

Place PostalTable::place(const Entry &entry) const
{
    return {int(entry.code), addressOf(entry).toString(),
            QStringView(m_text).mid(entry.office, entry.officeLength).toString(), entry.isOffice};
}

std::pair<const PostalTable::Entry *, const PostalTable::Entry *> PostalTable::entriesOf(quint32 code) const
{
    if (code > 9999999 || m_entries.empty())
        return {nullptr, nullptr};
    const Entry *first = m_entries.data() + m_prefixStarts[code / kPrefixDivisor];
    const Entry *last = m_entries.data() + m_prefixStarts[code / kPrefixDivisor + 1];
    return std::equal_range(first, last, Entry{code, 0, 0, 0, 0, false},
                            [](const Entry &a, const Entry &b) { return a.code < b.code; });
}

QList<Place> PostalTable::lookUp(int code) const
{
    QList<Place> places;
    const auto [first, last] = entriesOf(quint32(code));
    for (const Entry *entry = first; entry != last; ++entry)
        places << place(*entry);
    return places;
}

bool PostalTable::contains(int code) const
{
    const auto [first, last] = entriesOf(quint32(code));
    return first != last;
}

QList<Place> PostalTable::complete(QStringView typed, qsizetype limit) const
{
    QList<Place> found;
    if (typed.isEmpty())
        return found;
    // A plain scan: about a millisecond for the whole country, and no index
    // to build or to hold.
    for (const Entry &entry : m_entries) {
        if (entry.isOffice)
            continue;
        const QStringView address = addressOf(entry);
        const qsizetype prefecture = address.size() > 3 && address[3] == u'県' ? 4 : 3;
        if ((address[0] == typed[0] && address.startsWith(typed))
            || (address.size() > prefecture && address[prefecture] == typed[0] && address.mid(prefecture).startsWith(typed))) {
            found << place(entry);
            if (found.size() >= limit)
                break;
        }
    }
    return found;
}

QString PostalTable::municipalityOf(QStringView address) const
{
    const qsizetype prefecture = prefectureLength(address);
    if (prefecture == 0)
        return {};
    // The longest municipality of the data the address begins with...
    for (qsizetype length = address.size(); length > prefecture; --length)
        if (m_municipalities.contains(address.first(length).toString()))
            return address.first(length).toString();
    // ...or, for a place the data names no municipality for, the usual
    // shapes: a county's town or village, a city's ward, a city, ward, town
    // or village.
    static const QRegularExpression shape(QStringLiteral("^(.+?郡.+?[町村]|.+?市.+?区|.+?[市区町村])"));
    const QRegularExpressionMatch match = shape.match(address.mid(prefecture).toString());
    return match.hasMatch() ? address.first(prefecture + match.capturedLength()).toString()
                            : address.first(prefecture).toString();
}

qsizetype PostalTable::bytes() const
{
    qsizetype municipalities = 0;
    for (const QString &name : m_municipalities)
        municipalities += 32 + name.capacity() * 2;
    return m_text.capacity() * 2 + qsizetype(m_entries.capacity() * sizeof(Entry) + m_prefixStarts.capacity() * 4)
        + municipalities;
}

} // namespace nerufa::postal
