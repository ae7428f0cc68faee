#pragma once

#include "slipsnapshot.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace nerufa::batch {

struct CsvTable;

// One order of the file: its data row (1 = the first row under the
// header) and the slip it prints, set up exactly as the window would be
// after typing the row's fields and pressing 「合計」. The offset texts are
// left empty; whoever prints fills them in.
struct Order {
    int row = 0;
    SlipSnapshot slip;
};

// A whole file, checked. Nothing may be printed while problems is not
// empty: every problem found (bad rows and columns, in file order) is here.
struct OrderList {
    QString encoding;
    QList<Order> orders;
    QStringList problems;
};

// Reads and checks a CSV file's bytes. `today` stands in for a desired
// month or day left empty while the other is given, as the window's date
// lists start at today.
OrderList readOrders(const QByteArray &bytes, const QDate &today);
// The same for a file already decoded into fields.
OrderList ordersFromTable(const CsvTable &table, const QDate &today);

// Whether record `index` of the table is an order to read: a row of empty
// fields is no order, and a row whose field count differs from the
// header's is a problem, added to `problems`.
bool isOrderRecord(const CsvTable &table, qsizetype index, QStringList &problems);
// A file's bytes, when it is a plain file of a possible size; else a
// problem naming it is added and nothing is returned.
std::optional<QByteArray> readCsvBytes(const QString &path, QStringList *problems);

// The problems as one message: the first 20, then how many more.
QString problemsMessage(const QStringList &problems);

// "山田太郎（東京都千代田区…）" for confirmations and progress lines.
QString recipientLine(const Order &order);

} // namespace nerufa::batch
