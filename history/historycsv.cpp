#include "historycsv.h"

#include "fields.h"
#include "historyerror.h"
#include "systemreason.h"

#include <QSaveFile>
#include <csv.h>

namespace nerufa::history {

namespace {

using slip::Field;
using slip::FieldKind;

// One field, quoted by libcsv (every field in quotes, quotes doubled).
void appendField(QByteArray &line, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray quoted(utf8.size() * 2 + 2, Qt::Uninitialized);
    quoted.resize(qsizetype(csv_write(quoted.data(), size_t(quoted.size()), utf8.constData(), size_t(utf8.size()))));
    if (!line.isEmpty() && !line.endsWith('\n'))
        line += ',';
    line += quoted;
}

} // namespace

slip::FieldTexts orderTexts(const SlipSnapshot &slip)
{
    slip::FieldTexts texts;
    for (const Field &f : slip::fields()) {
        if (!f.fromCsv)
            continue;
        QString &text = texts[size_t(f.id)];
        if (f.kind == FieldKind::Choice) {
            const int chosen = slip.*f.choice;
            text = chosen >= 1 && size_t(chosen) <= f.items.size() ? QString::fromUtf8(f.items[size_t(chosen - 1)]) : QString();
        } else if (!f.shownFlag || slip.*f.shownFlag) {
            text = slip.*f.text;
        }
    }
    return texts;
}

QByteArray ordersCsv(const QList<PrintedSlip> &slips)
{
    QByteArray csv = "\xEF\xBB\xBF";
    QByteArray line;
    for (const Field &f : slip::fields())
        if (f.fromCsv)
            appendField(line, QString::fromUtf8(f.caption));
    csv += line + "\r\n";
    for (auto p = slips.rbegin(); p != slips.rend(); ++p) {
        const slip::FieldTexts texts = orderTexts(p->slip);
        line.clear();
        for (const Field &f : slip::fields())
            if (f.fromCsv)
                appendField(line, texts[size_t(f.id)]);
        csv += line + "\r\n";
    }
    return csv;
}

void writeOrdersCsv(const QList<PrintedSlip> &slips, const QString &path)
{
    const QByteArray csv = ordersCsv(slips);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size() || !systemreason::commitWhole(file))
        throw HistoryError(QStringLiteral("ファイル「%1」に書き出せませんでした。%2")
                               .arg(path, systemreason::whyWriteFailed(path, csv.size(), file.errorString())));
}

} // namespace nerufa::history
