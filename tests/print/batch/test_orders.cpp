// Reading a CSV file of orders: the bytes into fields (encodings, quoting,
// line ends, broken files), then the header and every row into slips by
// the window's rules, or into the messages that stop the batch before
// anything prints.

#include "csvtable.h"
#include "orders.h"

#include <QStringEncoder>
#include <QtTest>

using namespace nerufa::batch;

namespace {

const QDate kToday(2004, 5, 21);

QByteArray shiftJis(const QString &text)
{
    return QStringEncoder("windows-31j").encode(text);
}

// The fields of a slip a test looks at, by a short name.
QString slipField(const nerufa::SlipSnapshot &s, const QString &key)
{
    const QStringList numbers = {s.quantity1, s.unitPrice1, s.amount1, s.quantity2, s.unitPrice2, s.amount2, s.total};
    const QMap<QString, QString> values = {
        {"name", s.recipientName}, {"address1", s.recipientAddress1}, {"postal", s.recipientPostal},
        {"careOf", s.recipientCareOfVisible ? "shown:" + s.recipientCareOf : "hidden"},
        {"senderCareOf", s.senderCareOfVisible ? "shown:" + s.senderCareOf : "hidden"},
        {"date", s.desiredMonthVisible && s.desiredDayVisible ? s.desiredMonth + "/" + s.desiredDay : "none"},
        {"timeSlot", QString::number(s.timeSlot)}, {"notification", QString::number(s.notification)},
        {"numbers", s.numericToggleDown ? numbers.join(' ') : "off"},
        {"goods", s.goods1 + "|" + s.goods2 + "|" + s.productNumber1}};
    return values.value(key, "no such key");
}

} // namespace

class TestOrders : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void orders_data();
    void orders();
    void problemsAreCapped();
};

void TestOrders::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QList<QStringList>>("records"); // header first
    QTest::addColumn<QString>("problem");

    const QByteArray header = "a,b\r\n";
    QTest::newRow("quoted comma") << header + "\"x, y\",z\r\n" << "UTF-8"
                                  << QList<QStringList>{{"a", "b"}, {"x, y", "z"}} << "";
    QTest::newRow("doubled quote") << header + "\"say \"\"hi\"\"\",\"\"\r\n" << "UTF-8"
                                   << QList<QStringList>{{"a", "b"}, {"say \"hi\"", ""}} << "";
    QTest::newRow("line break in field") << header + "\"one\r\ntwo\",z\r\n" << "UTF-8"
                                         << QList<QStringList>{{"a", "b"}, {"one\r\ntwo", "z"}} << "";
    QTest::newRow("blanks kept") << header + " x , y\r\n" << "UTF-8"
                                 << QList<QStringList>{{"a", "b"}, {" x ", " y"}} << "";
    QTest::newRow("LF only, no last line end") << QByteArray("a,b\nx,y\n\nz,w") << "UTF-8"
                                               << QList<QStringList>{{"a", "b"}, {"x", "y"}, {"z", "w"}} << "";
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF名前\r\n山田\r\n") << "UTF-8"
                                    << QList<QStringList>{{"名前"}, {"山田"}} << "";
    QTest::newRow("CP932 with NEC signs") << shiftJis("名前,住所\r\n髙橋①,\"東京, ㈱\"\r\n") << "Shift_JIS"
                                          << QList<QStringList>{{"名前", "住所"}, {"髙橋①", "東京, ㈱"}} << "";
    QTest::newRow("quote inside a field") << header + "x\"y,z\r\n" << "UTF-8" << QList<QStringList>{}
                                          << "1 件目：引用符";
    QTest::newRow("quote never closed") << header + "x,y\r\n\"open,z\r\n" << "UTF-8" << QList<QStringList>{}
                                        << "2 件目：引用符";
    QTest::newRow("binary junk") << header + QByteArray("x,\xFF\xFE\x80\x00y\r\n", 9) << ""
                                 << QList<QStringList>{} << "ファイルの 2 行目：文字として読めない";
}

void TestOrders::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, encoding);
    QFETCH(QList<QStringList>, records);
    QFETCH(QString, problem);

    const CsvTable table = parseCsv(bytes);
    if (!problem.isEmpty()) {
        QVERIFY(!table.problems.isEmpty());
        QVERIFY(table.records.isEmpty());
        QVERIFY2(table.problems.first().startsWith(problem), qPrintable(table.problems.first()));
        return;
    }
    QCOMPARE(table.problems, QStringList());
    QCOMPARE(table.encoding, encoding);
    QCOMPARE(table.header, records.first());
    QCOMPARE(table.records, records.mid(1));
}

void TestOrders::orders_data()
{
    QTest::addColumn<QString>("csv");
    QTest::addColumn<QStringList>("expected"); // "key=value" of the first order
    QTest::addColumn<QStringList>("problems");

    QTest::newRow("some columns, the rest as at start")
        << "お届け先名前,お届け先住所1\n山田太郎,東京都\n"
        << QStringList{"name=山田太郎", "address1=東京都", "postal=", "careOf=hidden", "date=none", "timeSlot=6",
                       "notification=1", "numbers=off"} << QStringList();
    QTest::newRow("care-of, month alone, options by caption")
        << "お届け先様方,ご依頼主様方,希望月,配達時間帯,お届け通知\n佐藤様方,,03,夕方１７時～１９時頃,不要\n"
        << QStringList{"careOf=shown:佐藤様方", "senderCareOf=hidden", "date=03/21", "timeSlot=4", "notification=2"}
        << QStringList();
    QTest::newRow("half width caption, full-width header digits")
        << "配達時間帯,品名１,品名２,商品番号１\n午前 9時~12時頃,本,食器,A-1\n"
        << QStringList{"timeSlot=1", "goods=本|食器|A-1"} << QStringList();
    QTest::newRow("amounts as 合計 makes them")
        << "数量1,単価1,単価2\n10,4000,1500\n" << QStringList{"numbers=10 4000 40000 0 1500 0 40000"}
        << QStringList();
    QTest::newRow("results longer than their boxes are kept whole")
        << "数量1,単価1\n1e9,99999\n" << QStringList{"numbers=1e9 99999 99999000000000 0 0 0 99999000000000"}
        << QStringList();
    QTest::newRow("rows of empty fields are skipped") << "お届け先名前\n\n\"\"\n鈴木\n" << QStringList{"name=鈴木"}
                                                      << QStringList();

    QTest::newRow("unknown column") << "お届け先名前,お届け先名\nx,y\n" << QStringList()
                                    << QStringList{"見出しの「お届け先名」（2 列目）は知らない列名です。使える列名は README の一覧を見てください"};
    QTest::newRow("column twice") << "品名1,品名１\nx,y\n" << QStringList()
                                  << QStringList{"見出しの「品名１」が 2 回あります（1 列目と 2 列目）"};
    QTest::newRow("every bad row and column")
        << "お届け先郵便番号,数量1,単価1,配達時間帯,お届け通知\n"
           "12345678,1234,123456,,\n"
           "1000005,x,1,午前,いる\n"
           "1000005,1,1\n"
           "\"100\n0005\",1,1,,\n"
        << QStringList()
        << QStringList{"1 件目（お届け先郵便番号）：7 文字までです（8 文字あります）",
                       "1 件目（数量1）：3 文字までです（4 文字あります）",
                       "1 件目（単価1）：5 文字までです（6 文字あります）",
                       "2 件目（数量1）：「x」は数字ではありません",
                       "2 件目（配達時間帯）：「午前」は選べません（空欄か 午前  ９時～１２時頃・午後１２時～１４時頃・"
                       "午後１４時～１７時頃・夕方１７時～１９時頃・夜間１９時～２１時頃・希望なし）",
                       "2 件目（お届け通知）：「いる」は選べません（空欄・必要・不要）",
                       "3 件目：列の数が見出しと違います（見出し 5、この行 3）",
                       "4 件目（お届け先郵便番号）：改行や制御文字は入れられません（窓の欄と同じく 1 行の文字だけです）"};
    QTest::newRow("header only") << "お届け先名前\n" << QStringList() << QStringList{"印刷する行が 1 件もありません"};
}

void TestOrders::orders()
{
    QFETCH(QString, csv);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, problems);

    const OrderList list = readOrders(csv.toUtf8(), kToday);
    QCOMPARE(list.problems, problems);
    if (!problems.isEmpty()) {
        QVERIFY(list.orders.isEmpty()); // nothing may be printed
        return;
    }
    QVERIFY(!list.orders.isEmpty());
    for (const QString &pair : expected) {
        const QString key = pair.section('=', 0, 0);
        QCOMPARE(slipField(list.orders.first().slip, key), pair.section('=', 1));
    }
}

void TestOrders::problemsAreCapped()
{
    QByteArray csv = "数量1\n";
    for (int i = 0; i < 25; ++i)
        csv += "x\n";
    const QStringList lines = problemsMessage(readOrders(csv, kToday).problems).split('\n');
    QCOMPARE(lines.size(), 21);
    QCOMPARE(lines[19], "20 件目（数量1）：「x」は数字ではありません");
    QCOMPARE(lines[20], "ほかに 5 件の問題があります。");
}

QTEST_GUILESS_MAIN(TestOrders)
#include "test_orders.moc"
