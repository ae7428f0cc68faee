#include "postalfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <algorithm>

#include <iconv.h>

namespace nerufa::postal {

namespace {

const char kAreaDictionary[] = "SKK-JISYO.zipcode";
const char kOfficeDictionary[] = "SKK-JISYO.office.zipcode";
const char kImportedAreas[] = "postal-areas.txt";
const char kImportedOffices[] = "postal-offices.txt";
// Debian's dictionaries are 4 and 2 MB; Japan Post's whole country, as
// imported, about 6 MB.
constexpr qint64 kLargest = 64 * 1024 * 1024;

qsizetype lineAt(QByteArrayView bytes, qsizetype offset)
{
    return bytes.first(std::min(offset, bytes.size())).count('\n') + 1;
}

bool isDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

QString cannotRead(const QString &path, qsizetype line, const QString &why)
{
    return QStringLiteral("郵便番号のファイル「%1」の %2 行目を読めません（%3）。このファイルの郵便番号は使いません。")
        .arg(path).arg(line).arg(why);
}

} // namespace

// Reads the files one after another into one table. A file that fails is
// taken out again whole, so the table holds only files read to their end.
class TableBuilder {
public:
    QStringList problems;

    void addFile(const QString &path, bool isOffice, bool imported)
    {
        const QFileInfo info(path);
        if (!info.exists())
            return;
        QFile file(path);
        if (!info.isFile() || info.size() > kLargest || !file.open(QIODevice::ReadOnly)) {
            problems << QStringLiteral("郵便番号のファイル「%1」を読めません（ふつうのファイルでないか、64 MB を超えています）。").arg(path);
            return;
        }
        const QByteArray bytes = file.readAll();
        const qsizetype textBefore = m_table.m_text.size();
        const size_t entriesBefore = m_table.m_entries.size();
        const QSet<QString> municipalitiesBefore = m_table.m_municipalities;
        qsizetype badLine = 0;
        QString why;
        if (!(imported ? appendUtf8(bytes, &badLine) : appendEucJis2004(bytes, &badLine))) {
            why = badLine > 0 ? QStringLiteral("文字として読めないバイトがあります。%1 ではありません")
                                    .arg(imported ? QStringLiteral("UTF-8") : QStringLiteral("EUC-JIS-2004"))
                              : QStringLiteral("この計算機の iconv が EUC-JIS-2004 を読めません");
        } else {
            why = imported ? parseImported(textBefore, isOffice, &badLine) : parseDictionary(textBefore, isOffice, &badLine);
        }
        if (!why.isEmpty()) {
            problems << cannotRead(path, std::max<qsizetype>(badLine, 1), why);
            m_table.m_text.truncate(textBefore);
            m_table.m_entries.resize(entriesBefore);
            m_table.m_municipalities = municipalitiesBefore;
        }
        m_fileStarts.push_back(m_table.m_entries.size());
    }

    std::shared_ptr<const PostalTable> finish()
    {
        if (m_table.m_entries.empty())
            return {};
        // Each file comes sorted by code as a rule; the two are merged.
        auto &entries = m_table.m_entries;
        const auto byCode = [](const Entry &a, const Entry &b) { return a.code < b.code; };
        for (size_t i = 0; i + 1 < m_fileStarts.size(); ++i)
            if (!std::is_sorted(entries.begin() + m_fileStarts[i], entries.begin() + m_fileStarts[i + 1], byCode))
                std::stable_sort(entries.begin() + m_fileStarts[i], entries.begin() + m_fileStarts[i + 1], byCode);
        for (size_t i = 1; i + 1 < m_fileStarts.size(); ++i)
            std::inplace_merge(entries.begin(), entries.begin() + m_fileStarts[i], entries.begin() + m_fileStarts[i + 1], byCode);
        entries.shrink_to_fit();
        m_table.m_text.squeeze();
        // Where each first five digits begin, so a look-up searches a
        // handful of entries at most.
        auto &starts = m_table.m_prefixStarts;
        starts.assign(PostalTable::kPrefixes + 1, quint32(entries.size()));
        for (size_t i = entries.size(); i-- > 0;)
            starts[entries[i].code / PostalTable::kPrefixDivisor] = quint32(i);
        for (quint32 prefix = PostalTable::kPrefixes; prefix-- > 0;)
            starts[prefix] = std::min(starts[prefix], starts[prefix + 1]);
        return std::make_shared<const PostalTable>(std::move(m_table));
    }

private:
    using Entry = PostalTable::Entry;

    quint32 offsetOf(QStringView slice) const { return quint32(slice.data() - m_table.m_text.constData()); }

    // Decodes straight onto the end of the table's text. One character of
    // EUC-JIS-2004 (1 to 3 bytes) never gives more UTF-16 units than bytes.
    bool appendEucJis2004(QByteArrayView bytes, qsizetype *badLine)
    {
        const iconv_t cd = iconv_open(QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE",
                                      "EUC-JISX0213");
        if (cd == iconv_t(-1))
            return false;
        QString &text = m_table.m_text;
        const qsizetype start = text.size();
        text.resize(start + bytes.size() + 2);
        char *in = const_cast<char *>(bytes.data());
        size_t inLeft = size_t(bytes.size());
        char *const outStart = reinterpret_cast<char *>(text.data() + start);
        char *out = outStart;
        size_t outLeft = size_t(bytes.size() + 2) * 2;
        bool ok = iconv(cd, &in, &inLeft, &out, &outLeft) != size_t(-1);
        ok = ok && iconv(cd, nullptr, nullptr, &out, &outLeft) != size_t(-1);
        iconv_close(cd);
        text.truncate(start + (out - outStart) / 2);
        if (!ok)
            *badLine = lineAt(bytes, in - bytes.data());
        return ok;
    }

    bool appendUtf8(QByteArrayView bytes, qsizetype *badLine)
    {
        QString &text = m_table.m_text;
        const qsizetype start = text.size();
        text.resize(start + bytes.size());
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        const QChar *end = decoder.appendToBuffer(text.data() + start, bytes);
        text.truncate(end - text.constData());
        if (!decoder.hasError())
            return true;
        // Rare: find the line for the message.
        qsizetype line = 0;
        for (QByteArrayView rest = bytes; !rest.isEmpty() && *badLine == 0;) {
            ++line;
            const qsizetype cut = rest.indexOf('\n');
            QStringDecoder one(QStringConverter::Utf8);
            const QString ignored = one.decode(cut < 0 ? rest : rest.first(cut));
            if (one.hasError())
                *badLine = line;
            rest = cut < 0 ? QByteArrayView() : rest.sliced(cut + 1);
        }
        return false;
    }

    // Calls `take` with each line of the text from `from` on and its number;
    // stops at the first line `take` refuses and says which.
    template <typename Take>
    bool eachLine(qsizetype from, qsizetype *badLine, Take take)
    {
        const QStringView text = QStringView(m_table.m_text).mid(from);
        qsizetype line = 0;
        for (qsizetype pos = 0; pos < text.size();) {
            ++line;
            qsizetype end = text.indexOf(u'\n', pos);
            if (end < 0)
                end = text.size();
            QStringView content = text.mid(pos, end - pos);
            if (content.endsWith(u'\r'))
                content.chop(1);
            if (!take(content, line)) {
                *badLine = line;
                return false;
            }
            pos = end + 1;
        }
        *badLine = line;
        return true;
    }

    bool addEntry(quint32 code, QStringView address, QStringView office, bool isOffice)
    {
        if (address.isEmpty() || address.size() > 0xFFFF || office.size() > 0xFFFF)
            return false;
        m_table.m_entries.push_back({code, offsetOf(address), offsetOf(office), quint16(address.size()),
                                     quint16(office.size()), isOffice});
        return true;
    }

    QString parseDictionary(qsizetype from, bool isOffice, qsizetype *badLine)
    {
        const size_t first = m_table.m_entries.size();
        const bool read = eachLine(from, badLine, [&](QStringView line, qsizetype) {
            if (line.size() < 8 || !isDigits(line.first(7)) || line[7] != u' ')
                return true; // not a postal entry
            const QStringView list = line.mid(8);
            if (list.size() < 3 || !list.startsWith(u'/') || !list.endsWith(u'/'))
                return false;
            const quint32 code = line.first(7).toUInt();
            for (qsizetype start = 1, end; start < list.size(); start = end + 1) {
                end = list.indexOf(u'/', start);
                QStringView candidate = list.mid(start, end - start);
                if (const qsizetype note = candidate.indexOf(u';'); note >= 0)
                    candidate.truncate(note);
                QStringView office;
                if (const qsizetype at = isOffice ? candidate.lastIndexOf(u" @ ") : -1; at >= 0) {
                    office = candidate.first(at);
                    candidate = candidate.mid(at + 3);
                }
                if (!addEntry(code, candidate, office, isOffice))
                    return false;
            }
            return true;
        });
        if (!read)
            return QStringLiteral("郵便番号の行が途中で切れているか、壊れています");
        // Every municipality has a code of its own, ending in 00, that
        // stands for its places not listed: its name alone.
        if (!isOffice) {
            for (size_t i = first; i < m_table.m_entries.size(); ++i) {
                const Entry &entry = m_table.m_entries[i];
                const QStringView address = m_table.addressOf(entry);
                if (entry.code % 100 == 0 && QStringView(u"市区町村").contains(address.back()))
                    m_table.m_municipalities.insert(address.toString());
            }
        }
        return {};
    }

    QString parseImported(qsizetype from, bool isOffice, qsizetype *badLine)
    {
        qsizetype count = -1, entries = 0;
        QStringView lastMunicipality;
        const bool read = eachLine(from, badLine, [&](QStringView line, qsizetype number) {
            if (number == 1)
                return line == QString::fromUtf8(importedHeader());
            if (count >= 0)
                return line.isEmpty();
            const QList<QStringView> fields = line.split(u'\t');
            if (fields.size() == 2 && fields[0] == u"#end") {
                count = fields[1].toLongLong();
                return count == entries;
            }
            const QStringView address = fields.value(2);
            const qsizetype municipality = fields.value(1).toInt();
            if (fields.size() != 4 || fields[0].size() != 7 || !isDigits(fields[0]) || municipality <= 0
                || municipality > address.size() || !addEntry(fields[0].toUInt(), address, fields[3], isOffice))
                return false;
            ++entries;
            if (address.first(municipality) != lastMunicipality) {
                lastMunicipality = address.first(municipality);
                m_table.m_municipalities.insert(lastMunicipality.toString());
            }
            return true;
        });
        if (!read || count < 0) {
            if (read)
                ++*badLine;
            return QStringLiteral("途中で切れているか、壊れています。--import-postal で取り込み直してください");
        }
        return {};
    }

    PostalTable m_table;
    std::vector<size_t> m_fileStarts{0}; // each file's first entry, and the end
};

PostalSources PostalSources::standard()
{
    return in(QStringLiteral("/usr/share/skk"),
              QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).filePath(QStringLiteral("nerufa-slip")));
}

PostalSources PostalSources::in(const QString &dictionaryFolder, const QString &dataFolder)
{
    const QDir dictionaries(dictionaryFolder), data(dataFolder);
    return {dictionaries.filePath(QLatin1String(kAreaDictionary)), dictionaries.filePath(QLatin1String(kOfficeDictionary)),
            data.filePath(QLatin1String(kImportedAreas)), data.filePath(QLatin1String(kImportedOffices))};
}

QByteArray importedHeader()
{
    return QByteArrayLiteral("# nerufa-slip 郵便番号 1");
}

LoadedTable loadTable(const PostalSources &sources)
{
    TableBuilder builder;
    for (const auto &[imported, dictionary, isOffice] :
         {std::tuple{sources.importedAreas, sources.areaDictionary, false},
          std::tuple{sources.importedOffices, sources.officeDictionary, true}}) {
        if (QFileInfo::exists(imported))
            builder.addFile(imported, isOffice, true);
        else
            builder.addFile(dictionary, isOffice, false);
    }
    return {builder.finish(), builder.problems};
}

} // namespace nerufa::postal
