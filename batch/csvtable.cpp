#include "csvtable.h"

#include <QStringDecoder>

#include <csv.h>

namespace nerufa::batch {

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");
// ICU's name for Shift_JIS as Windows writes it: CP932, with the NEC and
// IBM extensions (①, ㈱, 髙 ...) that plain Shift_JIS lacks.
const char kShiftJisCodec[] = "windows-31j";

// True when the bytes decode with no error; the text goes to *text.
bool decodeStrictly(QStringDecoder decoder, QByteArrayView bytes, QString *text)
{
    *text = decoder(bytes);
    return !decoder.hasError();
}

QStringDecoder shiftJisDecoder()
{
    return QStringDecoder(kShiftJisCodec);
}

// One problem per physical line that does not decode, so the operator can
// find the bad bytes in an editor.
QStringList undecodableLines(QByteArrayView bytes, bool utf8, Encoding encoding)
{
    const QString reason = encoding == Encoding::Auto ? QStringLiteral("UTF-8 でも Shift_JIS でもありません")
                                                      : QStringLiteral("%1 として読めません").arg(utf8 ? "UTF-8" : "Shift_JIS");
    QStringList problems;
    int lineNumber = 0;
    for (QByteArrayView rest = bytes; !rest.isEmpty();) {
        ++lineNumber;
        const qsizetype end = rest.indexOf('\n');
        const QByteArrayView line = end < 0 ? rest : rest.first(end);
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
        QString ignored;
        const bool ok = utf8 ? decodeStrictly(QStringDecoder(QStringConverter::Utf8), line, &ignored)
                             : decodeStrictly(shiftJisDecoder(), line, &ignored);
        if (!ok)
            problems << QStringLiteral("ファイルの %1 行目：文字として読めないバイトがあります（%2）").arg(lineNumber).arg(reason);
    }
    return problems;
}

struct Collector {
    QStringList fields;
    QList<QStringList> rows;
};

void onField(void *bytes, size_t length, void *data)
{
    auto *collector = static_cast<Collector *>(data);
    collector->fields << QString::fromUtf8(static_cast<const char *>(bytes), qsizetype(length));
}

void onRowEnd(int, void *data)
{
    auto *collector = static_cast<Collector *>(data);
    collector->rows << collector->fields;
    collector->fields.clear();
}

// Blanks around a field are part of it: an address may start with one.
int noBlanks(unsigned char)
{
    return 0;
}

} // namespace

CsvTable parseCsv(const QByteArray &bytes, Encoding encoding)
{
    CsvTable table;
    QString text;
    const bool bom = bytes.startsWith(kUtf8Bom) && encoding != Encoding::ShiftJis;
    const QByteArrayView body = bom ? QByteArrayView(bytes).sliced(kUtf8Bom.size()) : QByteArrayView(bytes);
    if (encoding != Encoding::ShiftJis && decodeStrictly(QStringDecoder(QStringConverter::Utf8), body, &text)) {
        table.encoding = QStringLiteral("UTF-8");
    } else if (!bom && encoding != Encoding::Utf8 && decodeStrictly(shiftJisDecoder(), body, &text)) {
        table.encoding = QStringLiteral("Shift_JIS");
    } else {
        table.problems = undecodableLines(body, bom || encoding == Encoding::Utf8, encoding);
        return table;
    }

    // libcsv works on bytes; UTF-8 never has a comma, quote or line end
    // inside a multi-byte character.
    const QByteArray utf8 = text.toUtf8();
    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) {
        table.problems << QStringLiteral("CSV を読む準備ができませんでした（メモリが足りません）");
        return table;
    }
    csv_set_space_func(&parser, noBlanks);
    Collector collector;
    const size_t parsed = csv_parse(&parser, utf8.constData(), size_t(utf8.size()), onField, onRowEnd, &collector);
    const bool complete = parsed == size_t(utf8.size())
        && csv_fini(&parser, onField, onRowEnd, &collector) == 0;
    const int error = csv_error(&parser);
    csv_free(&parser);
    if (!complete) {
        // The record being read when the parser stopped: 0 is the header.
        const qsizetype row = collector.rows.size();
        const QString where = row == 0 ? QStringLiteral("見出しの行") : QStringLiteral("%1 件目").arg(row);
        table.problems << (error == CSV_EPARSE
                               ? QStringLiteral("%1：引用符（\"）の使い方が正しくないか、引用符が閉じられていません").arg(where)
                               : QStringLiteral("%1：CSV を読めませんでした（%2）")
                                     .arg(where, QString::fromLocal8Bit(csv_strerror(error))));
        return table;
    }
    if (!collector.rows.isEmpty())
        table.header = collector.rows.takeFirst();
    table.records = std::move(collector.rows);
    return table;
}

} // namespace nerufa::batch
