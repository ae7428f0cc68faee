#include "orders.h"

#include "csvtable.h"
#include "sliprules.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>

namespace nerufa::batch {

OrderList readOrders(const QByteArray &bytes, const QDate &today)
{
    return ordersFromTable(parseCsv(bytes), today);
}

bool isOrderRecord(const CsvTable &table, qsizetype index, QStringList &problems)
{
    const QStringList &record = table.records[index];
    if (std::all_of(record.begin(), record.end(), [](const QString &field) { return field.isEmpty(); }))
        return false;
    if (record.size() != table.header.size()) {
        problems << QStringLiteral("%1 件目：列の数が見出しと違います（見出し %2、この行 %3）")
                        .arg(index + 1).arg(table.header.size()).arg(record.size());
        return false;
    }
    return true;
}

OrderList ordersFromTable(const CsvTable &table, const QDate &today)
{
    OrderList result;
    result.encoding = table.encoding;
    result.problems = table.problems;
    if (!result.problems.isEmpty())
        return result;

    // Header: every name must be known and appear once. A column without a
    // name is let through only when it is empty all the way down (some
    // spreadsheets write such a column after the last one).
    QHash<QString, int> known;
    for (const slip::Field &f : slip::fields())
        if (f.fromCsv)
            known.insert(slip::looseKey(QString::fromUtf8(f.caption)), int(f.id));
    QList<int> columnOf; // header position -> field id, -1 ignored
    QHash<int, int> seen;
    for (qsizetype position = 0; position < table.header.size(); ++position) {
        const QString name = table.header[position];
        const QString key = slip::looseKey(name);
        int index = -1;
        if (key.isEmpty()) {
            const bool used = std::any_of(table.records.begin(), table.records.end(), [&](const QStringList &record) {
                return position < record.size() && !record[position].isEmpty();
            });
            if (used)
                result.problems << QStringLiteral("見出しの %1 列目に名前がありません").arg(position + 1);
        } else if (!known.contains(key)) {
            result.problems << QStringLiteral("見出しの「%1」（%2 列目）は知らない列名です。使える列名は README の一覧を見てください")
                                   .arg(name).arg(position + 1);
        } else if (seen.contains(known.value(key))) {
            result.problems << QStringLiteral("見出しの「%1」が 2 回あります（%2 列目と %3 列目）")
                                   .arg(name).arg(seen.value(known.value(key)) + 1).arg(position + 1);
        } else {
            index = known.value(key);
            seen.insert(index, int(position));
        }
        columnOf << index;
    }
    if (table.header.isEmpty())
        result.problems << QStringLiteral("ファイルが空です（見出しの行がありません）");
    if (!result.problems.isEmpty())
        return result;

    for (qsizetype i = 0; i < table.records.size(); ++i) {
        const QStringList &record = table.records[i];
        const int row = int(i + 1);
        if (!isOrderRecord(table, i, result.problems))
            continue;
        slip::FieldTexts texts;
        for (qsizetype position = 0; position < record.size(); ++position)
            if (columnOf[position] >= 0)
                texts[size_t(columnOf[position])] = record[position];
        slip::OrderSlip order = slip::slipFromTexts(texts, today);
        // Problems in the file's column order, as the operator reads the row.
        std::stable_sort(order.problems.begin(), order.problems.end(), [&](const auto &a, const auto &b) {
            return columnOf.indexOf(int(a.field)) < columnOf.indexOf(int(b.field));
        });
        for (const slip::FieldProblem &problem : order.problems)
            result.problems << QStringLiteral("%1 件目（%2）：%3")
                                   .arg(row).arg(QString::fromUtf8(slip::field(problem.field).caption), problem.what);
        if (order.problems.isEmpty())
            result.orders << Order{row, order.slip};
    }
    if (result.problems.isEmpty() && result.orders.isEmpty())
        result.problems << QStringLiteral("印刷する行が 1 件もありません");
    if (!result.problems.isEmpty())
        result.orders.clear();
    return result;
}

std::optional<QByteArray> readCsvBytes(const QString &path, QStringList *problems)
{
    // Only a plain file: reading a FIFO or a device could never end. A
    // day's orders are far below the size limit; a larger file is not one.
    constexpr qint64 kLargest = 64 * 1024 * 1024;
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        *problems << QStringLiteral("ファイル「%1」を読めません（ないか、ふつうのファイルではありません）").arg(path);
        return std::nullopt;
    }
    if (info.size() > kLargest) {
        *problems << QStringLiteral("ファイル「%1」は大きすぎます（64 MB まで）").arg(path);
        return std::nullopt;
    }
    return file.readAll();
}

QString problemsMessage(const QStringList &problems)
{
    constexpr int kShown = 20;
    QString message = problems.mid(0, kShown).join(QLatin1Char('\n'));
    if (problems.size() > kShown)
        message += QStringLiteral("\nほかに %1 件の問題があります。").arg(problems.size() - kShown);
    return message;
}

QString recipientLine(const Order &order)
{
    const SlipSnapshot &s = order.slip;
    const QString name = s.recipientName.isEmpty() ? QStringLiteral("（名前なし）") : s.recipientName;
    return s.recipientAddress1.isEmpty() ? name : QStringLiteral("%1（%2）").arg(name, s.recipientAddress1);
}

} // namespace nerufa::batch
