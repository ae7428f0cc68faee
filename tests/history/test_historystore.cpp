// The history store on a real SQLite file and a real PostgreSQL server:
// a slip comes back exactly as it printed, once; search is literal; the
// sender book counts and keeps its marks; a newer program's file is left
// alone; a field added to the table gets its column; two programs writing
// at once lose nothing; the export prints the same slips as a batch.

#include "historycsv.h"
#include "historyerror.h"
#include "historystore.h"
#include "orders.h"
#include "pgserver.h"
#include "printjobs.h"
#include "recordingprinter.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QSqlQuery>
#include <QtTest>

using namespace nerufa::history;
using nerufa::SlipSnapshot;

namespace {

nerufa::testpg::PgServer server;
QTemporaryDir folder;
int files = 0;

Location freshHistory(const QString &engine)
{
    if (engine == "sqlite")
        return parseLocation(folder.filePath(QString("h%1/history.sqlite").arg(++files)));
    QString why;
    const Location location = server.newDatabase(&why);
    if (!why.isEmpty())
        throw std::runtime_error(why.toStdString());
    return location;
}

void bothEngines()
{
    QTest::addColumn<QString>("engine");
    QTest::newRow("sqlite") << "sqlite";
    QTest::newRow("postgresql") << "postgresql";
}

// The page a slip prints, call by call.
QStringList page(const SlipSnapshot &slip)
{
    nerufa::RecordingPrinter printer;
    nerufa::JobState state;
    nerufa::printSlip(slip, state, printer);
    return printer.calls();
}

PrintedSlip printed(const SlipSnapshot &slip, const QString &file = {}, int row = 0)
{
    return printedNow(slip, {nerufa::PrinterChoice::Kind::Queue, "slip", {}, {}},
                      file.isEmpty() ? Source::Window : Source::Csv, file, row);
}

SlipSnapshot addressed(const QString &name, const QString &sender = "ネルファ商店", const QString &phone = {})
{
    SlipSnapshot slip = nerufa::testsupport::filledSlip();
    slip.recipientName = name;
    slip.recipientPhone = phone;
    slip.senderName = sender;
    return slip;
}

QStringList namesFound(HistoryStore &store, const QString &text)
{
    QStringList names;
    for (const PrintedSlip &p : store.find({text, {}, {}, 0}))
        names << p.slip.recipientName;
    return names;
}

} // namespace

class TestHistoryStore : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QString why;
        QVERIFY2(server.start(&why), qPrintable(why));
    }
    void cleanupTestCase() { server.stop(); }

    void comesBackAsPrinted_data() { bothEngines(); }
    // Every field, shown or hidden, an emoji and a name far past any box
    // come back so that the page is the same call by call; writing the same
    // slips again (a retry after a lost answer) keeps each once.
    void comesBackAsPrinted()
    {
        QFETCH(QString, engine);
        HistoryStore store(freshHistory(engine));
        SlipSnapshot hidden = nerufa::testsupport::filledSlip();
        hidden.recipientCareOfVisible = hidden.desiredDayVisible = hidden.desiredMonthVisible = hidden.numericToggleDown = false;
        hidden.timeSlot = 2;
        hidden.offsetXText = "31";
        SlipSnapshot odd;
        // Four bytes a character, far past any box, in every indexed field.
        odd.recipientName = odd.recipientPhone = odd.recipientAddress1 = QString("😀").repeated(3000);
        odd.offsetXText = odd.offsetYText = "x";
        const QList<PrintedSlip> slips{printed(nerufa::testsupport::filledSlip()), printed(hidden, "注文.csv", 7), printed(odd)};
        store.record(slips);
        store.record(slips.mid(1));
        const QList<PrintedSlip> found = store.find({});
        QCOMPARE(found.size(), 3);
        for (const PrintedSlip &want : slips) {
            const auto got = std::find_if(found.begin(), found.end(), [&](const PrintedSlip &p) { return p.id == want.id; });
            QVERIFY(got != found.end());
            QCOMPARE(got->printedAt, want.printedAt);
            QCOMPARE(QString("%1 %2 %3").arg(got->printer, got->sourceFile).arg(got->sourceRow),
                     QString("%1 %2 %3").arg(want.printer, want.sourceFile).arg(want.sourceRow));
            QCOMPARE(got->slip.recipientName, want.slip.recipientName);
            if (want.slip.offsetXText != "x")
                QCOMPARE(page(got->slip), page(want.slip));
        }
        QCOMPARE(namesFound(store, "😀😀").size(), 1);
    }

    void searchIsLiteral_data() { bothEngines(); }
    void searchIsLiteral()
    {
        QFETCH(QString, engine);
        HistoryStore store(freshHistory(engine));
        const QStringList names{"50%引き", "500円", "a_b", "axb", "O'Brien", "C:\\dir", "C:dir", "\"引用\"", "!注意", "ＡＢＣ商会",
                                "山田 太郎"};
        QList<PrintedSlip> slips;
        for (const QString &name : names)
            slips << printed(addressed(name, "ネルファ商店", name == "axb" ? "03-1111-2222" : ""));
        store.record(slips);
        const QList<std::pair<QString, QStringList>> cases{
            {"%", {"50%引き"}},        {"0%", {"50%引き"}},  {"_", {"a_b"}},         {"'", {"O'Brien"}},
            {"\\", {"C:\\dir"}},       {"\"", {"\"引用\""}}, {"!", {"!注意"}},        {"abc", {"ＡＢＣ商会"}},
            {"山田太郎", {"山田 太郎"}}, {"0311112222", {"axb"}}, {"1111-22", {"axb"}}, {"%_", {}}};
        for (const auto &[text, want] : cases)
            QVERIFY2(namesFound(store, text) == want, qPrintable(text + " found " + namesFound(store, text).join(',')));
        // The date range takes local days, both ends included.
        const QDate today = QDate::currentDate();
        QCOMPARE(store.find({{}, today, today, 0}).size(), names.size());
        QCOMPARE(store.find({{}, today.addDays(1), {}, 0}).size(), 0);
        QCOMPARE(store.find({{}, {}, today.addDays(-1), 0}).size(), 0);
        QCOMPARE(store.find({{}, {}, {}, 3}).size(), 3);
    }

    void senderBook_data() { bothEngines(); }
    void senderBook()
    {
        QFETCH(QString, engine);
        HistoryStore store(freshHistory(engine));
        // Oldest first: 25 shops once each, then the senders of the test.
        QList<PrintedSlip> slips;
        for (int i = 0; i < 25; ++i)
            slips << printed(addressed("客", QString("店%1").arg(i)));
        for (const char *sender : {"甲", "乙", "甲", "丙", "甲", "乙"})
            slips << printed(addressed("客", sender));
        SlipSnapshot hiddenCareOf = addressed("客", "丙");
        hiddenCareOf.senderCareOfVisible = false; // prints as the sender 丙 without care-of
        slips << printed(hiddenCareOf);
        for (int i = 0; i < slips.size(); ++i)
            slips[i].printedAt = QDateTime::currentDateTimeUtc().addSecs(i - 100);
        store.record(slips);
        const auto names = [&] {
            QStringList list;
            for (const Address &a : store.senders())
                list << a.texts[3] + (a.texts[4].isEmpty() ? "" : "/" + a.texts[4]) + (a.pinned ? "*" : "");
            return list.mid(0, 5).join(' ') + QString(" (%1)").arg(store.senders().size());
        };
        QCOMPARE(names(), "甲/田中様方 乙/田中様方 丙 丙/田中様方 店24/田中様方 (20)");
        store.pinSender(store.senders()[1].key, true);
        store.removeSender(store.senders()[2].key);
        QCOMPARE(names(), "乙/田中様方* 甲/田中様方 丙/田中様方 店24/田中様方 店23/田中様方 (20)");
        store.pinSender(store.senders()[1].key, true); // one pinned at a time
        store.record({printed(hiddenCareOf)});         // printed again: back on the list
        QCOMPARE(names(), "甲/田中様方* 丙 乙/田中様方 丙/田中様方 店24/田中様方 (20)");
        // 33 slips to one recipient: offered once.
        QCOMPARE(store.recipients(HistoryStore::Match::Name, "客").size(), 1);
        QCOMPARE(store.recipients(HistoryStore::Match::Phone, "客").size(), 0);
    }

    // A history made by a newer program is refused before anything is
    // written; the file stays byte for byte.
    void newerVersionRefused()
    {
        const Location location = freshHistory("sqlite");
        {
            HistoryStore store(location);
            store.record({printed(addressed("客"))});
        }
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "raw");
            db.setDatabaseName(location.file);
            QVERIFY(db.open() && QSqlQuery(db).exec("UPDATE history_schema SET version = 99")
                    && QSqlQuery(db).exec("PRAGMA journal_mode=DELETE"));
            db.close();
        }
        QSqlDatabase::removeDatabase("raw");
        QFile file(location.file);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        HistoryStore store(location);
        try {
            store.record({printed(addressed("客"))});
            QFAIL("a newer history was written");
        } catch (const HistoryError &error) {
            QVERIFY2(error.message().contains("新しい版が作ったもの（形式 99、この版は形式 1 まで）"), qPrintable(error.message()));
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() == before);
        QCOMPARE(QDir(QFileInfo(location.file).path()).entryList(QDir::Files), QStringList{"history.sqlite"});
    }

    // A field the history has no column for (one added to the field table
    // since) gets its column when the history is opened; slips recorded
    // before read it as the window starts it.
    void fieldAddedLater()
    {
        const Location location = freshHistory("sqlite");
        HistoryStore(location).record({printed(addressed("前"))});
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "raw");
            db.setDatabaseName(location.file);
            QVERIFY(db.open() && QSqlQuery(db).exec("ALTER TABLE slips DROP COLUMN \"GoukeiBox\""));
            db.close();
        }
        QSqlDatabase::removeDatabase("raw");
        HistoryStore store(location);
        store.record({printed(addressed("後"))});
        const QList<PrintedSlip> found = store.find({});
        QCOMPARE(found[0].slip.total + " " + found[1].slip.total, QString("46000 0"));
    }

    // Two programs recording 200 slips each into one PostgreSQL history at
    // the same time, every one its own transaction, the same sender and
    // recipient throughout.
    void twoProgramsAtOnce()
    {
        const Location location = freshHistory("postgresql");
        HistoryStore(location).open();
        QProcess writers[2];
        for (QProcess &writer : writers) {
            writer.setProcessChannelMode(QProcess::ForwardedChannels);
            writer.start(QCoreApplication::applicationFilePath(), {"writer", nerufa::testpg::PgServer::url(location)});
        }
        for (QProcess &writer : writers)
            QVERIFY(writer.waitForFinished(120000) && writer.exitCode() == 0);
        HistoryStore store(location);
        QCOMPARE(store.find({}).size(), 400);
        QCOMPARE(store.senders().value(0).uses, 400);
    }

    // The export is the batch's file: read back by the batch, every slip
    // prints the same page again.
    void exportPrintsAgain()
    {
        SlipSnapshot plain;
        plain.recipientName = "\"引用\",改行なし";
        plain.timeSlot = 6;
        plain.notification = 1;
        plain.offsetXText = "30";
        plain.offsetYText = "70";
        SlipSnapshot filled = nerufa::testsupport::filledSlip();
        filled.timeSlot = 3;
        filled.notification = 2;
        // Newest first, as the history finds them; the file lists them in
        // the order they printed.
        const QList<PrintedSlip> slips{printed(plain), printed(filled)};
        writeOrdersCsv(slips, folder.filePath("out.csv"));
        const nerufa::batch::OrderList read = nerufa::batch::readOrders(nerufa::testsupport::readFile(folder.filePath("out.csv")), QDate(2004, 5, 21));
        QCOMPARE(read.problems, QStringList());
        QCOMPARE(read.orders.size(), 2);
        for (int i = 0; i < 2; ++i) {
            SlipSnapshot again = read.orders[i].slip;
            const SlipSnapshot &want = slips[1 - i].slip;
            again.offsetXText = want.offsetXText;
            again.offsetYText = want.offsetYText;
            QCOMPARE(page(again), page(want));
        }
        QVERIFY_THROWS_EXCEPTION(HistoryError, writeOrdersCsv(slips, folder.filePath("missing/out.csv")));
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "writer") {
        // One of the two programs of twoProgramsAtOnce.
        HistoryStore store(parseLocation(QString::fromLocal8Bit(argv[2])));
        for (int i = 0; i < 200; ++i)
            store.record({printed(addressed("客"))});
        return 0;
    }
    TestHistoryStore test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_historystore.moc"
