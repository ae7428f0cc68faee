#include "postalimport.h"

#include "systemreason.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <csv.h>

namespace nerufa::postal {

namespace {

constexpr int kAreaColumns = 15;   // KEN_ALL.CSV, utf_ken_all.csv
constexpr int kOfficeColumns = 13; // JIGYOSYO.CSV

// A town as it goes into an address. Japan Post's notes on town names:
// 「以下に掲載がない場合」, 「○○の次に番地がくる場合」 and 「○○村一円」 stand for
// the whole municipality, so the address is the municipality alone; a note
// in brackets (「大通西（１～１９丁目）」, 「（次のビルを除く）」) is no part of
// the address, except a building's floor, which has a code of its own.
QString townOf(const QString &city, QString town)
{
    if (town == u"以下に掲載がない場合" || town.endsWith(u"の次に番地がくる場合"))
        return {};
    if (town.endsWith(u"一円") && town.size() > 2 && city.endsWith(QStringView(town).chopped(2)))
        return {};
    if (const qsizetype bracket = town.indexOf(u'（'); bracket >= 0 && !town.mid(bracket).contains(u'階'))
        town.truncate(bracket);
    return town;
}

// The rows of one file, as libcsv hands them over, into the table's lines.
struct Importer {
    QString path;
    // Each written beside the table it replaces, and put in its place only
    // when the whole file was read; the first row tells which.
    QSaveFile *areas = nullptr, *offices = nullptr, *out = nullptr;
    QList<QByteArray> fields;
    qsizetype row = 0;
    int columns = 0;
    std::optional<QStringDecoder> decoder;
    QString error;
    qsizetype places = 0;
    // A place whose town may go on in the next row.
    struct Pending {
        QString code, prefecture, city, town, office;
        qsizetype row = 0;
    };
    std::optional<Pending> pending;
    QByteArray lastLine;

    void fail(qsizetype at, const QString &why)
    {
        if (error.isEmpty())
            error = QStringLiteral("「%1」の %2 行目：%3").arg(path).arg(at).arg(why);
    }

    QString decoded(const QByteArray &bytes)
    {
        const QString text = (*decoder)(bytes);
        if (decoder->hasError()) {
            fail(row, QStringLiteral("文字として読めないバイトがあります（UTF-8 でも Shift_JIS でもありません）"));
            decoder->resetState();
        }
        return text;
    }

    void takeRow()
    {
        ++row;
        if (!error.isEmpty())
            return;
        if (row == 1) {
            columns = int(fields.size());
            if (columns != kAreaColumns && columns != kOfficeColumns)
                return fail(row, QStringLiteral("日本郵便の郵便番号データ（KEN_ALL.CSV、utf_ken_all.csv、JIGYOSYO.CSV）"
                                                "ではありません（列が %1 個）").arg(columns));
            // UTF-8 when the first row is; else Shift_JIS as Windows writes it.
            QStringDecoder utf8(QStringConverter::Utf8);
            const QString ignored = utf8.decode(fields.join(','));
            // Made in place: an ICU decoder must not be moved once made.
            if (utf8.hasError())
                decoder.emplace("windows-31j");
            else
                decoder.emplace(QStringConverter::Utf8);
            QSaveFile *table = columns == kOfficeColumns ? offices : areas;
            if (!table->open(QIODevice::WriteOnly))
                return fail(row, QStringLiteral("郵便番号のデータを「%1」に書き込めません（%2）").arg(table->fileName(), table->errorString()));
            out = table;
            out->write(importedHeader() + '\n');
        }
        if (fields.size() != columns)
            return fail(row, QStringLiteral("列の数が 1 行目と違います（1 行目 %1、この行 %2）。途中で切れていませんか").arg(columns).arg(fields.size()));
        QStringList texts;
        for (const QByteArray &field : std::as_const(fields))
            texts << decoded(field);
        const bool office = columns == kOfficeColumns;
        Pending place = office ? Pending{texts[7], texts[3], texts[4], texts[5] + texts[6], texts[2], row}
                               : Pending{texts[2], texts[6], texts[7], texts[8], {}, row};
        if (place.code.size() != 7 || !std::all_of(place.code.begin(), place.code.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
            return fail(row, QStringLiteral("郵便番号「%1」が 7 桁の数字ではありません").arg(place.code));
        if (place.prefecture.isEmpty() || place.city.isEmpty())
            return fail(row, QStringLiteral("都道府県名か市区町村名が空です"));
        // A town name too long for one row goes on in the next rows of the
        // same code, until its bracket closes.
        if (!office && pending && pending->code == place.code && pending->town.count(u'（') > pending->town.count(u'）')) {
            pending->town += place.town;
            return;
        }
        flush();
        pending = place;
    }

    void flush()
    {
        if (!pending || !error.isEmpty())
            return;
        const Pending place = *std::exchange(pending, std::nullopt);
        const QString municipality = place.prefecture + place.city;
        const QString address = municipality + (columns == kOfficeColumns ? place.town : townOf(place.city, place.town));
        const QByteArray line = (place.code + u'\t' + QString::number(municipality.size()) + u'\t' + address + u'\t'
                                 + place.office + u'\n').toUtf8();
        if (line.count('\t') != 3 || line.count('\n') != 1 || line.contains('\r'))
            return fail(place.row, QStringLiteral("欄の中に改行かタブがあります"));
        if (line == lastLine)
            return; // the same place again once its note is gone
        lastLine = line;
        out->write(line);
        ++places;
    }
};

void onField(void *bytes, size_t length, void *data)
{
    static_cast<Importer *>(data)->fields << QByteArray(static_cast<const char *>(bytes), qsizetype(length));
}

void onRowEnd(int, void *data)
{
    auto *importer = static_cast<Importer *>(data);
    importer->takeRow();
    importer->fields.clear();
}

int noBlanks(unsigned char)
{
    return 0;
}

} // namespace

ImportResult importJapanPostFile(const QString &path, const PostalSources &sources)
{
    ImportResult result;
    const QString unchanged = QStringLiteral("何も取り込んでいません（前の郵便番号のデータはそのままです）。");
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("ファイル「%1」を読めません（ないか、ふつうのファイルではありません）。\n%2").arg(path, unchanged);
        return result;
    }
    if (file.peek(4) == QByteArrayView("PK\x03\x04")) {
        result.error = QStringLiteral("「%1」は ZIP ファイルです。展開して、中の CSV ファイルを指定してください。\n%2").arg(path, unchanged);
        return result;
    }
    if (file.peek(3) == QByteArrayView("\xEF\xBB\xBF"))
        file.read(3);

    QDir().mkpath(QFileInfo(sources.importedAreas).absolutePath());
    QSaveFile areas(sources.importedAreas), offices(sources.importedOffices);
    Importer importer;
    importer.path = path;
    importer.areas = &areas;
    importer.offices = &offices;
    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) {
        result.error = QStringLiteral("CSV を読む準備ができませんでした（メモリが足りません）。");
        return result;
    }
    csv_set_space_func(&parser, noBlanks);
    bool parsed = true;
    char last = '\n';
    while (parsed && importer.error.isEmpty() && !file.atEnd()) {
        const QByteArray piece = file.read(64 * 1024);
        parsed = csv_parse(&parser, piece.constData(), size_t(piece.size()), onField, onRowEnd, &importer) == size_t(piece.size());
        last = piece.isEmpty() ? last : piece.back();
    }
    parsed = parsed && csv_fini(&parser, onField, onRowEnd, &importer) == 0;
    csv_free(&parser);
    // Japan Post's files end with a line break, and a town's bracket
    // always closes: a file cut short shows in either.
    if (file.error() != QFile::NoError)
        importer.fail(importer.row + 1, QStringLiteral("読めませんでした（%1）").arg(file.errorString()));
    else if (!parsed)
        importer.fail(importer.row + 1, QStringLiteral("引用符（\"）が閉じられていないか、使い方が正しくありません。途中で切れていませんか"));
    else if (importer.pending && importer.pending->town.count(u'（') > importer.pending->town.count(u'）'))
        importer.fail(importer.row, QStringLiteral("町域名の括弧が閉じないまま、ファイルが終わっています。途中で切れていませんか"));
    else if (last != '\n')
        importer.fail(importer.row, QStringLiteral("最後の行が改行で終わっていません。途中で切れていませんか"));
    importer.flush();
    if (importer.places == 0)
        importer.fail(1, QStringLiteral("郵便番号が 1 件もありません"));
    QSaveFile *out = importer.out;
    if (!importer.error.isEmpty() || !out) {
        result.error = importer.error + u'\n' + unchanged;
        return result;
    }
    out->write(QStringLiteral("#end\t%1\n").arg(importer.places).toUtf8());
    if (!systemreason::commitWhole(*out)) {
        result.error = QStringLiteral("郵便番号のデータを「%1」に保存できません（%2）。\n%3")
                           .arg(out->fileName(), systemreason::whyWriteFailed(out->fileName(), out->size(), out->errorString()), unchanged);
        return result;
    }
    result.stored = out->fileName();
    result.places = importer.places;
    return result;
}

} // namespace nerufa::postal
