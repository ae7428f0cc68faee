#pragma once

#include "historylocation.h"
#include "printerchoice.h"
#include "slipsnapshot.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <memory>

// The slip history: every slip that printed, kept with its fields through
// the field table, the printer, the offsets and where it came from; the
// senders it printed, for the window's lists. Qt SQL on
// SQLite or PostgreSQL, the same statements on both.
namespace nerufa::history {

// Where a recorded slip came from.
enum class Source { Window, Reprint, Csv };

struct PrintedSlip {
    QString id; // a UUID made when the slip printed, unique across desks
    QDateTime printedAt;
    PrinterChoice::Kind printerKind = PrinterChoice::Kind::Queue;
    QString printer; // the queue's name or the PDF file
    Source source = Source::Window;
    QString sourceFile; // the CSV file
    int sourceRow = 0;  // its data row (1 = the first under the header)
    SlipSnapshot slip;  // every field as printed, the offsets included
};

// The record of a slip that has just printed on `choice`.
PrintedSlip printedNow(const SlipSnapshot &slip, const PrinterChoice &choice, Source source = Source::Window,
                       const QString &sourceFile = {}, int sourceRow = 0);

// An address block as it printed: its texts in the field table's order
// (postal code, two address lines, name, care-of, telephone), the care-of
// line only when it printed.
struct Address {
    QString key;
    QStringList texts;
    qint64 uses = 0;
    bool pinned = false;
};
// The block (Recipient or Sender) of a slip as it printed.
QStringList addressOf(const SlipSnapshot &slip, bool sender);

// Which slips to list. The text matches any part of the recipient's postal
// code, address, name, care-of line or telephone, literally (width, case and
// blanks aside; a telephone or postal code also without its hyphens). The
// dates are local days, both included; a null date leaves that end open.
struct SlipQuery {
    QString text;
    QDate since;
    QDate until;
    int limit = 0; // 0: every slip that matches
};

class HistoryStore {
public:
    explicit HistoryStore(const Location &location);
    ~HistoryStore();
    HistoryStore(const HistoryStore &) = delete;
    HistoryStore &operator=(const HistoryStore &) = delete;

    // Connects and brings the tables up to this program's: makes them in a
    // new database, runs the steps an older one lacks, adds a column for
    // each field of the field table it does not have yet. A database that
    // a newer program made is refused and left as it is. Nothing while
    // open. Every method raises HistoryError on a fault; the next call
    // then connects again.
    void open();
    void close();

    // Records the slips in one transaction: all of them or none. A slip
    // whose id is recorded already is left out, so writing again what may
    // have been written keeps every slip once.
    void record(const QList<PrintedSlip> &slips);
    // Newest first.
    QList<PrintedSlip> find(const SlipQuery &query);

    // The senders printed, most used first (the pinned one before all),
    // without those removed from the list.
    QList<Address> senders(int limit = 20);
    // The pinned sender is filled in at start; pinning one unpins another.
    void pinSender(const QString &key, bool pinned);
    // Off the list until it prints again.
    void removeSender(const QString &key);
    // Earlier recipients whose name, or telephone, holds the text, each
    // once, the latest printed first.
    enum class Match { Name, Phone };
    QList<Address> recipients(Match match, const QString &text, int limit = 10);

private:
    class Transaction;
    void connectDatabase();
    int storedVersion();
    void migrate();
    void addFieldColumns();
    QList<PrintedSlip> readSlips(QSqlQuery &query);
    QSqlQuery run(const QString &sql, const QVariantList &values = {});
    [[noreturn]] void fail(const QString &what, const QSqlError &error);

    Location m_location;
    QString m_connection;
    QSqlDatabase m_db;
    bool m_open = false;
};

} // namespace nerufa::history
