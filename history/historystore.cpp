#include "historystore.h"

#include "fields.h"
#include "historyerror.h"
#include "sliprules.h"
#include "systemreason.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSet>
#include <QUuid>
#include <atomic>
#include <limits>

namespace nerufa::history {

namespace {

using slip::Block;
using slip::Field;
using slip::FieldKind;

// The tables' own columns. Each field of the field table adds a column of
// its control's name to `slips` (and one more, NAME_shown, for whether an
// optional field printed); each field of the sender block one to
// `senders`. Those are added when missing whenever a history is opened, so
// a field added to the table needs no step here.
const int kVersion = 1;
const QList<QStringList> kSteps = {
    // version 1
    {QStringLiteral("CREATE TABLE slips (id TEXT PRIMARY KEY, printed_at BIGINT NOT NULL, printer_kind TEXT NOT NULL, "
                    "printer TEXT NOT NULL, source TEXT NOT NULL, source_file TEXT NOT NULL, "
                    "source_row INTEGER NOT NULL, search_key TEXT NOT NULL, name_key TEXT NOT NULL, "
                    "phone_key TEXT NOT NULL)"),
     // Newest first, read from an index alone until enough slips match.
     // Slips come in time order, so recording only appends to them.
     // One index for both look-ups, so that each is read from it alone.
     QStringLiteral("CREATE INDEX slips_by_time ON slips (printed_at, search_key, name_key, phone_key)"),
     QStringLiteral("CREATE TABLE senders (address_key TEXT PRIMARY KEY, uses BIGINT NOT NULL, "
                    "last_used BIGINT NOT NULL, pinned INTEGER NOT NULL, removed INTEGER NOT NULL)")},
};
const QString kVersionTable = QStringLiteral("history_schema");
// Keeps an index entry inside PostgreSQL's limit (2704 bytes) whatever a
// field holds, at up to 4 bytes a character; a longer recipient is still
// found by its first characters.
constexpr qsizetype kSearchKeyLength = 300;
constexpr qsizetype kNameKeyLength = 100;

struct Column {
    QString name;
    const Field *field;
    bool shownFlag; // the column holds whether the field printed
    bool integer() const { return shownFlag || field->kind == FieldKind::Choice; }
};

QList<Column> slipColumns()
{
    QList<Column> columns;
    for (const Field &f : slip::fields()) {
        columns.append({QString::fromLatin1(f.name), &f, false});
        if (f.shownFlag)
            columns.append({QString::fromLatin1(f.name) + QStringLiteral("_shown"), &f, true});
    }
    return columns;
}

QList<const Field *> blockFields(Block block)
{
    QList<const Field *> list;
    for (const Field &f : slip::fields())
        if (f.block == block)
            list << &f;
    return list;
}

QList<Column> addressColumns(Block block)
{
    QList<Column> columns;
    for (const Field *f : blockFields(block))
        columns.append({QString::fromLatin1(f->name), f, false});
    return columns;
}

QString sourceName(Source source)
{
    return source == Source::Csv ? QStringLiteral("csv") : source == Source::Reprint ? QStringLiteral("reprint")
                                                                                      : QStringLiteral("window");
}

Source sourceNamed(const QString &name)
{
    return name == QLatin1String("csv") ? Source::Csv : name == QLatin1String("reprint") ? Source::Reprint : Source::Window;
}

// Texts as the search compares them: width folded, without blanks, case
// folded.
QString folded(const QString &text)
{
    return slip::looseKey(text).toCaseFolded();
}

QString digitsOf(const QString &text)
{
    QString digits;
    for (QChar c : folded(text))
        if (c.isDigit())
            digits += c;
    return digits;
}

// The recipient's texts, and for the fields typed without an input method
// (postal code, telephone) their digits alone too.
QString searchKey(const SlipSnapshot &slip)
{
    QStringList parts;
    for (const Field *f : blockFields(Block::Recipient)) {
        parts << folded(slip.*f->text);
        if (f->input == slip::InputMode::Off)
            parts << digitsOf(slip.*f->text);
    }
    return parts.join(QLatin1Char('\n')).left(kSearchKeyLength);
}

// A LIKE pattern that finds the text literally anywhere: '!' escapes the
// pattern's own signs (a backslash would mean different things to the
// engines and to the placeholder parser).
QString containsPattern(const QString &text)
{
    QString escaped;
    for (QChar c : text) {
        if (c == QLatin1Char('!') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            escaped += QLatin1Char('!');
        escaped += c;
    }
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

QString addressKey(const QStringList &texts)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(texts.join(QChar(0x1f)).toUtf8(), QCryptographicHash::Sha1).toHex());
}

bool allEmpty(const QStringList &texts)
{
    return std::all_of(texts.begin(), texts.end(), [](const QString &t) { return t.isEmpty(); });
}

// What a driver's error means for the operator. `file`: the SQLite file.
QString reasonOf(const QSqlError &error, const QString &file)
{
    const QString code = error.nativeErrorCode();
    const QString text = error.databaseText();
    if (file.isEmpty()) {
        // PostgreSQL: every error of the server has its SQLSTATE; one
        // without is the connection's.
        if (code.isEmpty() || code.startsWith(QLatin1String("08")) || code.startsWith(QLatin1String("57P")))
            return QStringLiteral("データベースのサーバーにつながりません（%1）。").arg(text.simplified());
        if (code == QLatin1String("53100"))
            return QStringLiteral("サーバーのディスクがいっぱいです。");
        if (code == QLatin1String("25006"))
            return QStringLiteral("読み取り専用で書き込めません。");
        return QStringLiteral("（%1）").arg(error.text().simplified());
    }
    // SQLite's primary result code; a failed commit comes without it, with
    // SQLite's own words.
    int sqlite = code.toInt() & 0xff;
    if (code.isEmpty())
        sqlite = text.contains(QLatin1String("disk is full")) ? 13 : text.contains(QLatin1String("is locked")) ? 5
            : text.contains(QLatin1String("readonly")) ? 8 : -1;
    switch (sqlite) {
    case 5:
    case 6:
        return QStringLiteral("ほかのプログラムが使っていて書き込めません。");
    case 8:
        return QStringLiteral("読み取り専用で書き込めません。");
    case 13:
        return QStringLiteral("ディスクがいっぱいです。");
    case 11:
    case 26:
        return QStringLiteral("壊れているか、履歴のファイルではありません。");
    case 10: // an I/O error
    case 14: // cannot open (the file, or the journal beside it)
        return systemreason::whyWriteFailed(file, 0, QStringLiteral("ファイルを開けません")) + QStringLiteral("。");
    }
    return QStringLiteral("（%1）").arg(error.text().simplified());
}

// A text as bound: Qt SQL binds a null string as NULL, an empty field is ''.
QVariant bound(const QString &text)
{
    return text.isNull() ? QVariant(QString(QLatin1String(""))) : QVariant(text);
}

std::atomic_int connectionCount{0};

} // namespace

PrintedSlip printedNow(const SlipSnapshot &slip, const PrinterChoice &choice, Source source, const QString &sourceFile,
                       int sourceRow)
{
    // The time first: ids of new slips sort last, so the index of ids
    // grows at its end; the UUID keeps ids of two desks apart.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    return {QStringLiteral("%1-%2").arg(now.toMSecsSinceEpoch(), 12, 16, QLatin1Char('0')).arg(QUuid::createUuid().toString(QUuid::WithoutBraces)),
            now,
            choice.kind,
            choice.target,
            source,
            sourceFile,
            sourceRow,
            slip};
}

QStringList addressOf(const SlipSnapshot &slip, bool sender)
{
    QStringList texts;
    for (const Field *f : blockFields(sender ? Block::Sender : Block::Recipient))
        texts << (f->shownFlag && !(slip.*f->shownFlag) ? QString() : slip.*f->text);
    return texts;
}

// A write transaction. SQLite takes its write lock at the start, so two
// writers wait for each other instead of failing half-way through.
class HistoryStore::Transaction {
public:
    explicit Transaction(HistoryStore &store) : m_store(store)
    {
        if (store.m_location.kind == Location::Kind::Sqlite)
            store.run(QStringLiteral("BEGIN IMMEDIATE"));
        else if (!store.m_db.transaction())
            store.fail(QStringLiteral("書き込めませんでした"), store.m_db.lastError());
    }
    ~Transaction()
    {
        if (!m_done && m_store.m_db.isOpen())
            m_store.m_db.rollback();
    }
    void commit()
    {
        if (!m_store.m_db.commit())
            m_store.fail(QStringLiteral("書き込めませんでした"), m_store.m_db.lastError());
        m_done = true;
    }

private:
    HistoryStore &m_store;
    bool m_done = false;
};

HistoryStore::HistoryStore(const Location &location)
    : m_location(location), m_connection(QStringLiteral("nerufa-history-%1").arg(++connectionCount))
{
}

HistoryStore::~HistoryStore()
{
    close();
}

void HistoryStore::close()
{
    m_open = false;
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

void HistoryStore::fail(const QString &what, const QSqlError &error)
{
    // Closed by the next open(), once the queries of this call are gone.
    m_open = false;
    const bool sqlite = m_location.kind == Location::Kind::Sqlite;
    throw HistoryError(QStringLiteral("履歴「%1」を%2。%3")
                           .arg(m_location.describe(), what, reasonOf(error, sqlite ? m_location.file : QString())));
}

QSqlQuery HistoryStore::run(const QString &sql, const QVariantList &values)
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    // PostgreSQL prepares no table definitions: a statement without values
    // runs as it is.
    bool done = values.isEmpty() ? query.exec(sql) : query.prepare(sql);
    for (const QVariant &value : values)
        query.addBindValue(value);
    done = done && (values.isEmpty() || query.exec());
    if (!done)
        fail(QStringLiteral("使えませんでした"), query.lastError());
    return query;
}

void HistoryStore::connectDatabase()
{
    const bool sqlite = m_location.kind == Location::Kind::Sqlite;
    const QString driver = sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
    if (m_location.kind == Location::Kind::Off)
        throw HistoryError(QStringLiteral("履歴は使わない設定です。"));
    if (!QSqlDatabase::isDriverAvailable(driver))
        throw HistoryError(QStringLiteral("Qt の %1 のドライバ（パッケージ %2）がないため、履歴を使えません。")
                               .arg(sqlite ? QStringLiteral("SQLite") : QStringLiteral("PostgreSQL"),
                                    sqlite ? QStringLiteral("libqt6sql6-sqlite") : QStringLiteral("libqt6sql6-psql")));
    m_db = QSqlDatabase::addDatabase(driver, m_connection);
    if (sqlite) {
        QDir().mkpath(QFileInfo(m_location.file).absolutePath());
        m_db.setDatabaseName(m_location.file);
        m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
    } else {
        m_db.setHostName(m_location.host);
        m_db.setPort(m_location.port);
        m_db.setDatabaseName(m_location.database);
        m_db.setUserName(m_location.user);
        m_db.setPassword(m_location.password);
        m_db.setConnectOptions(m_location.options);
    }
    if (!m_db.open())
        fail(QStringLiteral("開けませんでした"), m_db.lastError());
}

int HistoryStore::storedVersion()
{
    if (!m_db.tables().contains(kVersionTable))
        return 0;
    QSqlQuery query = run(QStringLiteral("SELECT version FROM history_schema"));
    return query.next() ? query.value(0).toInt() : 0;
}

void HistoryStore::open()
{
    if (m_open)
        return;
    // Making the tables is tried twice: another desk may have made them a
    // moment before, and the second look then finds them (or a newer
    // program's, which is refused as at the first).
    for (int attempt = 1;; ++attempt) {
        close();
        connectDatabase();
        // Nothing is written before the version is known: a newer program's
        // history stays exactly as it is.
        const int version = storedVersion();
        if (version > kVersion) {
            close();
            throw HistoryError(QStringLiteral("履歴「%1」は、このプログラムより新しい版が作ったもの（形式 %2、この版は形式 %3 まで）"
                                              "なので使えません。履歴はそのままにして、使わずに続けます。"
                                              "新しい版のプログラムを使ってください。")
                                   .arg(m_location.describe())
                                   .arg(version)
                                   .arg(kVersion),
                               true);
        }
        if (m_location.kind == Location::Kind::Sqlite) {
            // Readers never wait for the writer; a commit is safe from a crash
            // of the program, the last ones may be lost on a power cut.
            run(QStringLiteral("PRAGMA journal_mode=WAL"));
            run(QStringLiteral("PRAGMA synchronous=NORMAL"));
        }
        if (version == kVersion)
            break;
        try {
            migrate();
            break;
        } catch (const HistoryError &) {
            if (attempt == 2)
                throw;
        }
    }
    addFieldColumns();
    m_open = true;
}

void HistoryStore::migrate()
{
    Transaction transaction(*this);
    if (!m_db.tables().contains(kVersionTable)) {
        run(QStringLiteral("CREATE TABLE history_schema (version INTEGER NOT NULL)"));
        run(QStringLiteral("INSERT INTO history_schema (version) VALUES (0)"));
    }
    for (int version = storedVersion(); version < kVersion; ++version)
        for (const QString &step : kSteps[version])
            run(step);
    run(QStringLiteral("UPDATE history_schema SET version = ?"), {kVersion});
    transaction.commit();
}

void HistoryStore::addFieldColumns()
{
    const std::pair<QString, QList<Column>> tables[] = {{QStringLiteral("slips"), slipColumns()},
                                                        {QStringLiteral("senders"), addressColumns(Block::Sender)}};
    for (const auto &[table, columns] : tables) {
        const QSqlRecord record = m_db.record(table);
        for (const Column &column : columns) {
            if (record.contains(column.name))
                continue;
            QSqlQuery query(m_db);
            const QString sql = QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                                    .arg(table, m_db.driver()->escapeIdentifier(column.name, QSqlDriver::FieldName),
                                         column.integer() ? QStringLiteral("INTEGER") : QStringLiteral("TEXT"));
            // Another desk may have added it a moment ago.
            if (!query.exec(sql) && !m_db.record(table).contains(column.name))
                fail(QStringLiteral("使えませんでした"), query.lastError());
        }
    }
}

void HistoryStore::record(const QList<PrintedSlip> &slips)
{
    open();
    const QList<Column> columns = slipColumns();
    const auto names = [&](const QList<Column> &list) {
        QStringList quoted;
        for (const Column &c : list)
            quoted << m_db.driver()->escapeIdentifier(c.name, QSqlDriver::FieldName);
        return quoted;
    };
    const auto marks = [](qsizetype n) { return QStringList(n, QStringLiteral("?")).join(QLatin1Char(',')); };
    const auto prepared = [&](const QString &sql) {
        QSqlQuery query(m_db);
        if (!query.prepare(sql))
            fail(QStringLiteral("書き込めませんでした"), query.lastError());
        return query;
    };
    const auto exec = [&](QSqlQuery &query, const QVariantList &values) {
        for (int i = 0; i < values.size(); ++i)
            query.bindValue(i, values[i]);
        if (!query.exec())
            fail(QStringLiteral("書き込めませんでした"), query.lastError());
    };

    Transaction transaction(*this);
    QSqlQuery known = prepared(QStringLiteral("SELECT 1 FROM slips WHERE id = ?"));
    QSqlQuery insert = prepared(QStringLiteral("INSERT INTO slips (id, printed_at, printer_kind, printer, source, source_file, "
                                               "source_row, search_key, name_key, phone_key, %1) VALUES (?,?,?,?,?,?,?,?,?,?,%2)")
                                    .arg(names(columns).join(QLatin1Char(',')), marks(columns.size())));
    // Both engines take the same upsert; `uses` counts up in the database,
    // so two desks printing the same sender at once lose no count.
    const auto upsert = [&](const QString &table, Block block, const QString &extra, const QString &onConflict) {
        const QList<Column> blockColumns = addressColumns(block);
        return prepared(QStringLiteral("INSERT INTO %1 (address_key, uses, last_used, %2, %3) VALUES (?, 1, ?, %4, %5) "
                                       "ON CONFLICT (address_key) DO UPDATE SET uses = %1.uses + 1, last_used = CASE WHEN "
                                       "excluded.last_used > %1.last_used THEN excluded.last_used ELSE %1.last_used END%6")
                            .arg(table, extra, names(blockColumns).join(QLatin1Char(',')),
                                 marks(extra.count(QLatin1Char(',')) + 1), marks(blockColumns.size()), onConflict));
    };
    QSqlQuery sender = upsert(QStringLiteral("senders"), Block::Sender, QStringLiteral("pinned, removed"),
                              QStringLiteral(", removed = 0"));

    for (const PrintedSlip &p : slips) {
        exec(known, {p.id});
        const bool recorded = known.next();
        known.finish();
        if (recorded)
            continue;
        const qint64 when = p.printedAt.toMSecsSinceEpoch();
        QVariantList values{p.id,
                            when,
                            p.printerKind == PrinterChoice::Kind::PdfFile ? QStringLiteral("pdf") : QStringLiteral("queue"),
                            bound(p.printer),
                            sourceName(p.source),
                            bound(p.sourceFile),
                            p.sourceRow,
                            searchKey(p.slip),
                            folded(p.slip.recipientName).left(kNameKeyLength),
                            (folded(p.slip.recipientPhone) + QLatin1Char('\n') + digitsOf(p.slip.recipientPhone)).left(kNameKeyLength)};
        for (const Column &c : columns) {
            if (c.shownFlag)
                values << int(p.slip.*c.field->shownFlag);
            else if (c.field->kind == FieldKind::Choice)
                values << p.slip.*c.field->choice;
            else
                values << bound(p.slip.*c.field->text);
        }
        exec(insert, values);

        if (const QStringList texts = addressOf(p.slip, true); !allEmpty(texts)) {
            QVariantList row{addressKey(texts), when, 0, 0};
            for (const QString &t : texts)
                row << bound(t);
            exec(sender, row);
        }
    }
    transaction.commit();
}

QList<PrintedSlip> HistoryStore::find(const SlipQuery &q)
{
    open();
    const qint64 from = q.since.isValid() ? q.since.startOfDay().toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
    const qint64 to = q.until.isValid() ? q.until.addDays(1).startOfDay().toMSecsSinceEpoch() - 1
                                        : std::numeric_limits<qint64>::max();
    QSqlQuery query = run(QStringLiteral("SELECT * FROM slips WHERE printed_at BETWEEN ? AND ? AND search_key LIKE ? "
                                         "ESCAPE '!' ORDER BY printed_at DESC, source_row DESC LIMIT ?"),
                          {from, to, containsPattern(folded(q.text)), q.limit > 0 ? q.limit : std::numeric_limits<int>::max()});
    return readSlips(query);
}

QList<PrintedSlip> HistoryStore::readSlips(QSqlQuery &query)
{
    const QSqlRecord record = query.record();
    const QList<Column> columns = slipColumns();
    QList<int> at;
    for (const Column &c : columns)
        at << record.indexOf(c.name);
    const auto column = [&](const char *name) { return query.value(record.indexOf(QLatin1String(name))); };
    QList<PrintedSlip> slips;
    while (query.next()) {
        PrintedSlip p;
        p.id = column("id").toString();
        p.printedAt = QDateTime::fromMSecsSinceEpoch(column("printed_at").toLongLong(), Qt::UTC);
        p.printerKind = column("printer_kind").toString() == QLatin1String("pdf") ? PrinterChoice::Kind::PdfFile
                                                                                  : PrinterChoice::Kind::Queue;
        p.printer = column("printer").toString();
        p.source = sourceNamed(column("source").toString());
        p.sourceFile = column("source_file").toString();
        p.sourceRow = column("source_row").toInt();
        // A column added after the slip was recorded holds nothing: the
        // field reads as the window starts it.
        for (int i = 0; i < columns.size(); ++i) {
            const Field &f = *columns[i].field;
            const QVariant value = at[i] >= 0 ? query.value(at[i]) : QVariant();
            if (columns[i].shownFlag)
                p.slip.*f.shownFlag = !value.isNull() && value.toInt() != 0;
            else if (f.kind == FieldKind::Choice)
                p.slip.*f.choice = value.isNull() ? f.initialChoice : value.toInt();
            else
                p.slip.*f.text = value.isNull() ? QString::fromUtf8(f.initialText) : value.toString();
        }
        slips << p;
    }
    if (query.lastError().isValid())
        fail(QStringLiteral("読めませんでした"), query.lastError());
    return slips;
}

namespace {

QList<Address> addresses(QSqlQuery &query)
{
    QList<Address> list;
    const QList<Column> columns = addressColumns(Block::Sender);
    while (query.next()) {
        Address address{query.value(QStringLiteral("address_key")).toString(), {},
                        query.value(QStringLiteral("uses")).toLongLong(),
                        query.value(QStringLiteral("pinned")).toInt() != 0};
        for (const Column &c : columns)
            address.texts << query.value(c.name).toString();
        list << address;
    }
    return list;
}

} // namespace

QList<Address> HistoryStore::senders(int limit)
{
    open();
    QSqlQuery query = run(QStringLiteral("SELECT * FROM senders WHERE removed = 0 "
                                         "ORDER BY pinned DESC, uses DESC, last_used DESC LIMIT ?"),
                          {limit});
    return addresses(query);
}

void HistoryStore::pinSender(const QString &key, bool pinned)
{
    open();
    Transaction transaction(*this);
    run(QStringLiteral("UPDATE senders SET pinned = 0 WHERE pinned <> 0"));
    if (pinned)
        run(QStringLiteral("UPDATE senders SET pinned = 1, removed = 0 WHERE address_key = ?"), {key});
    transaction.commit();
}

void HistoryStore::removeSender(const QString &key)
{
    open();
    Transaction transaction(*this);
    run(QStringLiteral("UPDATE senders SET removed = 1, pinned = 0 WHERE address_key = ?"), {key});
    transaction.commit();
}

QList<Address> HistoryStore::recipients(Match match, const QString &text, int limit)
{
    open();
    // The latest slips whose recipient matches, read newest first from the
    // index; each recipient once, as it printed last.
    QSqlQuery query = run(QStringLiteral("SELECT * FROM slips WHERE printed_at BETWEEN ? AND ? AND %1 LIKE ? ESCAPE '!' "
                                         "ORDER BY printed_at DESC LIMIT ?")
                              .arg(match == Match::Name ? QStringLiteral("name_key") : QStringLiteral("phone_key")),
                          {std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(),
                           containsPattern(folded(text)), limit * 20});
    QList<Address> found;
    QSet<QString> seen;
    for (const PrintedSlip &p : readSlips(query)) {
        const QStringList texts = addressOf(p.slip, false);
        const QString key = addressKey(texts);
        if (found.size() < limit && !seen.contains(key)) {
            seen.insert(key);
            found.append({key, texts, 0, false});
        }
    }
    return found;
}

} // namespace nerufa::history
