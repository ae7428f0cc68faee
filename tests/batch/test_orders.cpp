// Reading a CSV file of orders: the bytes into fields (encodings, quoting,
// line ends, broken files), then the header and every row into slips by
// the window's rules, or into the messages that stop the batch before
// anything prints.

#include "csvtable.h"
#include "orders.h"

#include <QStringEncoder>
#include <QtTest>

using namespace nerufa::batch;
using Records = QList<QStringList>;

namespace {

// The slip's fields a test looks at, as "key=value".
QStringList described(const nerufa::SlipSnapshot &s)
{
    const auto shown = [](bool visible, const QString &text) { return visible ? "shown:" + text : QString("hidden"); };
    return {"name=" + s.recipientName, "postal=" + s.recipientPostal, "goods=" + s.goods1,
            "careOf=" + shown(s.recipientCareOfVisible, s.recipientCareOf),
            "senderCareOf=" + shown(s.senderCareOfVisible, s.senderCareOf),
            "date=" + shown(s.desiredMonthVisible && s.desiredDayVisible, s.desiredMonth + "/" + s.desiredDay),
            "timeSlot=" + QString::number(s.timeSlot), "notification=" + QString::number(s.notification),
            "numbers=" + shown(s.numericToggleDown, QStringList{s.quantity1, s.unitPrice1, s.amount1, s.quantity2,
                                                                s.unitPrice2, s.amount2, s.total}.join(' '))};
}

} // namespace

class TestOrders : public QObject {
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Records>("records"); // header first
        QTest::addColumn<QString>("problem"); // the first one's beginning

        const QByteArray ab = "a,b\r\n";
        QTest::newRow("quoted comma") << ab + "\"x, y\",z\r\n" << Records{{"a", "b"}, {"x, y", "z"}} << "";
        QTest::newRow("doubled quote") << ab + "\"x \"\"y\"\"\",\"\"\r\n" << Records{{"a", "b"}, {"x \"y\"", ""}} << "";
        QTest::newRow("line break in field") << ab + "\"x\r\ny\",z\r\n" << Records{{"a", "b"}, {"x\r\ny", "z"}} << "";
        QTest::newRow("BOM, LF, open end") << QByteArray("\xEF\xBB\xBF名\n山\n\nz") << Records{{"名"}, {"山"}, {"z"}} << "";
        QTest::newRow("CP932 with NEC signs")
            << QByteArray(QStringEncoder("windows-31j").encode("名前,住所\r\n髙橋①,\"東京, ㈱\"\r\n"))
            << Records{{"名前", "住所"}, {"髙橋①", "東京, ㈱"}} << "";
        QTest::newRow("quote inside a field") << ab + "x\"y,z\r\n" << Records{} << "1 件目：引用符";
        QTest::newRow("quote never closed") << ab + "x,y\r\n\"open,z\r\n" << Records{} << "2 件目：引用符";
        QTest::newRow("binary junk") << ab + QByteArray("x,\xFF\xFE\x80\x00y\r\n", 9) << Records{}
                                     << "ファイルの 2 行目：文字として読めない";
    }

    void parse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Records, records);
        QFETCH(QString, problem);
        const CsvTable table = parseCsv(bytes);
        // The first problem's beginning; one character of it where none was expected.
        QCOMPARE(table.problems.isEmpty() ? QString() : table.problems.first().left(qMax(problem.size(), 1)), problem);
        QCOMPARE(problem.isEmpty() ? Records{table.header} + table.records : table.records, records);
    }

    void orders_data()
    {
        QTest::addColumn<QString>("csv");
        QTest::addColumn<QStringList>("expected"); // of the first order
        QTest::addColumn<QStringList>("problems");

        QTest::newRow("one column, the rest as at start, rows of empty fields skipped")
            << "お届け先名前\n\n\"\"\n山田太郎\n"
            << QStringList{"name=山田太郎", "postal=", "careOf=hidden", "date=hidden", "timeSlot=6", "notification=1"}
            << QStringList();
        QTest::newRow("care-of, month alone, half-width caption, full-width header digit")
            << "お届け先様方,ご依頼主様方,希望月,配達時間帯,お届け通知,品名１\n佐藤様方,,03,午前 9時~12時頃,不要,本\n"
            << QStringList{"careOf=shown:佐藤様方", "senderCareOf=hidden", "date=shown:03/21", "timeSlot=1",
                           "notification=2", "goods=本"} << QStringList();

        QTest::newRow("empty cells are the window's start: 0 in a number box, the options chosen at start")
            << "数量1,単価1,数量2,単価2,配達時間帯,お届け通知\n3,,,1.5,,\n"
            << QStringList{"numbers=shown:3 0 0 0 1.5 0 0", "timeSlot=6", "notification=1"} << QStringList();
        // Counted in characters, as the window's box counts them.
        QTest::newRow("an emoji is one character") << "お届け先郵便番号\n123456😀\n" << QStringList{"postal=123456😀"}
                                                   << QStringList();
        QTest::newRow("unknown column") << "お届け先名前,お届け先名\nx,y\n" << QStringList()
                                        << QStringList{"見出しの「お届け先名」（2 列目）は知らない列名です。使える列名は README の一覧を見てください"};
        QTest::newRow("every bad row and column")
            << "お届け先郵便番号,数量1,単価1,配達時間帯,お届け通知\n1234567😀,1234,123456,,\n1000005,x,1,午前,いる\n"
               "1000005,1,1\n\"100\n0005\",1,1,,\n"
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

    void orders()
    {
        QFETCH(QString, csv);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, problems);
        const OrderList list = readOrders(csv.toUtf8(), QDate(2004, 5, 21));
        QCOMPARE(list.problems, problems);
        QCOMPARE(list.orders.isEmpty(), !problems.isEmpty()); // nothing may be printed
        const QStringList slip = described(list.orders.value(0).slip);
        for (const QString &item : expected)
            QVERIFY2(slip.contains(item), qPrintable(slip.join(", ")));
    }
};

QTEST_GUILESS_MAIN(TestOrders)
#include "test_orders.moc"
