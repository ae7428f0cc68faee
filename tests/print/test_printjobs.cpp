// The slip print and the position-check print, watched through the
// recording printer: which calls, in which order, with which exact numbers.
//
// Positions are compared bit for bit. QCOMPARE on two floats is not used
// for them: Qt compares floats within a relative 1e-5, which would let
// 10240.0195 pass for 10240.0205.

#include "printjobs.h"
#include "recordingprinter.h"
#include "runtimeerror.h"

#include <QtTest>

using nerufa::JobState;
using nerufa::RecordingPrinter;
using nerufa::RuntimeError;
using nerufa::SlipSnapshot;
using Call = RecordingPrinter::Call;
using Op = Call::Op;

Q_DECLARE_METATYPE(RuntimeError::Kind)

namespace {

const QString kSlipFace = QStringLiteral("ＭＳ　P ゴシック");

// A layout position n (tenths of a mm) as the twips the slip is laid out in.
float tw(int n) { return float(n) * 5.67f; }

// Where a text lands with the usual vertical correction of -21 tenths:
// the correction and the position are added in double, rounded once.
float textY(float offsetY, int n, double correction = -21.0)
{
    return float(correction * double(5.67f) + double(offsetY + tw(n)));
}

struct Placement {
    float size;
    float x;
    float y;
    QString text;
    bool operator==(const Placement &) const = default;
    QString toString() const
    {
        return QStringLiteral("%1pt (%2, %3) \"%4\"")
            .arg(size)
            .arg(double(x), 0, 'g', 9)
            .arg(double(y), 0, 'g', 9)
            .arg(text);
    }
};

struct Mark {
    int lineWidth;
    float x;
    float y;
    float r;
    bool operator==(const Mark &) const = default;
    QString toString() const
    {
        return QStringLiteral("width %1 (%2, %3) r %4")
            .arg(lineWidth)
            .arg(double(x), 0, 'g', 9)
            .arg(double(y), 0, 'g', 9)
            .arg(double(r), 0, 'g', 9);
    }
};

// What the page shows: each text with the size and position in force when
// it was printed, each circle with its line width.
struct Page {
    QList<Placement> texts;
    QList<Mark> marks;
};

Page pageOf(const QList<Call> &calls)
{
    Page page;
    float size = 0, x = 0, y = 0;
    int width = 0;
    for (const Call &c : calls) {
        switch (c.op) {
        case Op::SetFontSize: size = c.x; break;
        case Op::SetCurrentX: x = c.x; break;
        case Op::SetCurrentY: y = c.x; break;
        case Op::SetLineWidth: width = c.n; break;
        case Op::PrintText: page.texts.append({size, x, y, c.text}); break;
        case Op::Circle: page.marks.append({width, c.x, c.y, c.r}); break;
        default: break;
        }
    }
    return page;
}

template<typename T>
QByteArray difference(const QList<T> &actual, const QList<T> &expected)
{
    // Every entry that differs, so one run shows the whole damage.
    QString out;
    for (qsizetype i = 0; i < qMax(actual.size(), expected.size()); ++i) {
        if (i < actual.size() && i < expected.size() && actual[i] == expected[i])
            continue;
        const QString a = i < actual.size() ? actual[i].toString() : QStringLiteral("(none)");
        const QString e = i < expected.size() ? expected[i].toString() : QStringLiteral("(none)");
        out += QStringLiteral("\n  #%1 actual %2, expected %3").arg(i).arg(a, e);
    }
    return out.toUtf8();
}

char *toString(const Placement &p) { return qstrdup(p.toString().toUtf8().constData()); }
char *toString(const Mark &m) { return qstrdup(m.toString().toUtf8().constData()); }

#define COMPARE_LISTS(actual, expected)                                                  \
    QVERIFY2((actual) == (expected), difference((actual), (expected)).constData())

// A slip as the window starts it: offsets neutral, "希望なし" and "必要"
// chosen, numeric boxes "0", everything else empty.
SlipSnapshot freshSlip()
{
    SlipSnapshot s;
    s.offsetXText = QStringLiteral("30");
    s.offsetYText = QStringLiteral("70");
    s.timeSlot = 6;
    s.notification = 1;
    for (QString *box : {&s.quantity1, &s.quantity2, &s.unitPrice1, &s.unitPrice2, &s.amount1,
                         &s.amount2, &s.total})
        *box = QStringLiteral("0");
    return s;
}

QList<Call> printed(const SlipSnapshot &slip, JobState *state = nullptr)
{
    JobState local;
    RecordingPrinter printer;
    nerufa::printSlip(slip, state ? *state : local, printer);
    return printer.calls();
}

QList<Placement> textsAtY(const QList<Call> &calls, float y)
{
    QList<Placement> out;
    for (const Placement &p : pageOf(calls).texts)
        if (p.y == y)
            out.append(p);
    return out;
}

} // namespace

namespace nerufa {
char *toString(const RecordingPrinter::Call &c) { return qstrdup(c.toString().toUtf8().constData()); }
} // namespace nerufa

class TestPrintJobs : public QObject {
    Q_OBJECT

private slots:
    void jobFrameSetsStateAndFontBeforeFirstText()
    {
        JobState state;
        state.verticalCorrection = QStringLiteral("stale");
        const QList<Call> calls = printed(freshSlip(), &state);

        const QList<Call> start{Call::fontSize(14), Call::readFontSize(14), Call::fontName(kSlipFace),
                                Call::fontBold(false), Call::fontSize(12), Call::currentX(4762.8003f),
                                Call::currentY(765.45f), Call::printText(QString())};
        COMPARE_LISTS(calls.mid(0, start.size()), start);
        QCOMPARE(calls.count(Call::fontName(kSlipFace)), 1);
        QCOMPARE(calls.count(Call::fontBold(false)), 1);
        QCOMPARE(calls.count(Call::endDoc()), 1);
        QCOMPARE(calls.last(), Call::endDoc());

        QCOMPARE(state.xOffsetValue, 30.0f);
        QCOMPARE(state.yOffsetValue, 70.0f);
        QCOMPARE(state.verticalCorrection, QStringLiteral("-21"));
        QVERIFY(state.offsetX == 0.0f && state.offsetY == 0.0f);
        QCOMPARE(state.markRadius, 20.0f);
        QCOMPARE(state.markLineWidth, 2.0f);
    }

    void everyItemAtItsPlaceInOrder()
    {
        const SlipSnapshot s{
            .offsetXText = "30", .offsetYText = "70",
            .recipientPostal = "1234567", .recipientAddress1 = "東京都千代田区",
            .recipientAddress2 = "丸の内1-1", .recipientName = "山田太郎", .recipientCareOf = "佐藤",
            .recipientCareOfVisible = true, .recipientPhone = "03-1111-2222",
            .senderPostal = "7654321", .senderAddress1 = "大阪府", .senderAddress2 = "北区",
            .senderName = "鈴木花子", .senderCareOf = "田中", .senderCareOfVisible = true,
            .senderPhone = "06-3333-4444",
            .desiredMonth = "03", .desiredMonthVisible = true, .desiredDay = "15", .desiredDayVisible = true,
            .timeSlot = 2, .notification = 2,
            .goods1 = "りんご", .goods2 = "みかん", .productNumber1 = "A-1", .productNumber2 = "B-2",
            .numericToggleDown = true, .quantity1 = "2", .quantity2 = "3", .unitPrice1 = "500",
            .unitPrice2 = "300", .amount1 = "1000", .amount2 = "900", .total = "1900"};
        const QList<Call> calls = printed(s);

        struct Row { int size, x, y; const char *text; };
        const Row rows[] = {
            {12, 840, 156, "1"}, {12, 930, 156, "2"}, {12, 1020, 156, "3"}, {12, 1121, 156, "4"},
            {12, 1211, 156, "5"}, {12, 1301, 156, "6"}, {12, 1391, 156, "7"},
            {10, 840, 269, "東京都千代田区"}, {10, 740, 367, "丸の内1-1"}, {12, 750, 490, "山田太郎"},
            {9, 900, 435, "佐藤"}, {11, 905, 558, "03-1111-2222"},
            {10, 868, 645, "7"}, {10, 920, 645, "6"}, {10, 972, 645, "5"}, {10, 1029, 645, "4"},
            {10, 1081, 645, "3"}, {10, 1133, 645, "2"}, {10, 1184, 645, "1"},
            {10, 840, 710, "大阪府"}, {10, 740, 791, "北区"}, {11, 750, 920, "鈴木花子"},
            {8, 900, 861, "田中"}, {11, 905, 978, "06-3333-4444"},
            {11, 358, 250, "03"}, {11, 485, 250, "15"},
            {10, 1500, 708, "りんご"}, {10, 1500, 793, "みかん"}, {10, 1500, 877, "A-1"},
            {10, 1500, 960, "B-2"}, {10, 1806, 708, "2"}, {10, 1806, 793, "3"},
            {10, 1882, 708, "500"}, {10, 1882, 793, "300"}, {10, 1995, 708, "1000"},
            {10, 1995, 793, "900"}, {10, 1995, 920, "1900"},
        };
        QList<Placement> expected;
        for (const Row &r : rows)
            expected.append({float(r.size), tw(r.x), textY(0.0f, r.y), QString::fromUtf8(r.text)});
        const Page page = pageOf(calls);
        COMPARE_LISTS(page.texts, expected);
        COMPARE_LISTS(page.marks, (QList<Mark>{{2, tw(495), tw(364), 113.4f}, {2, tw(1682), tw(368), 113.4f}}));

        // Every text goes through size, X, Y, text; every circle right
        // after its line width; the goods come after both circles.
        for (qsizetype i = 0; i < calls.size(); ++i) {
            if (calls[i].op == Op::PrintText) {
                QVERIFY(i >= 3);
                QCOMPARE(calls[i - 3].op, Op::SetFontSize);
                QCOMPARE(calls[i - 2].op, Op::SetCurrentX);
                QCOMPARE(calls[i - 1].op, Op::SetCurrentY);
            } else if (calls[i].op == Op::Circle) {
                QCOMPARE(calls[i - 1], Call::lineWidth(2));
            }
        }
        const qsizetype lastCircle = calls.lastIndexOf(Call::circle(tw(1682), tw(368), 113.4f));
        QCOMPARE(calls.indexOf(Call::printText(QStringLiteral("りんご"))), lastCircle + 4);
    }

    void offsetsShiftEverything_data()
    {
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<float>("offsetX"); // twips
        QTest::addColumn<float>("offsetY");
        QTest::newRow("30/70 no shift") << "30" << "70" << 0.0f << 0.0f;
        QTest::newRow("31/69 right and up") << "31" << "69" << 5.67f << -5.67f;
        QTest::newRow("0/0 left and up") << "0" << "0" << -170.1f << -396.9f;
        QTest::newRow("30.5 fraction") << "30.5" << "70" << 2.835f << 0.0f;
        // The factor is the single 5.67: with a double 5.67 this would be
        // -164.429993 twips instead of -164.430008.
        QTest::newRow("1/70") << "1" << "70" << -29.0f * 5.67f << 0.0f;
        QTest::newRow("blanks around") << " 31 " << "\t70" << 5.67f << 0.0f;
        QTest::newRow("grouped, big") << "1,030" << "1,070" << 5670.0f << 5670.0f;
    }
    void offsetsShiftEverything()
    {
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(float, offsetX);
        QFETCH(float, offsetY);
        SlipSnapshot s = freshSlip();
        s.offsetXText = x;
        s.offsetYText = y;
        s.numericToggleDown = true;
        JobState state;
        const Page page = pageOf(printed(s, &state));

        QVERIFY(state.offsetX == offsetX);
        QVERIFY(state.offsetY == offsetY);
        QCOMPARE(page.texts.first(), (Placement{12, offsetX + 4762.8003f, textY(offsetY, 156), {}}));
        QCOMPARE(page.texts.last(), (Placement{10, offsetX + 11311.65f, textY(offsetY, 920), "0"}));
        // Circles move with the offsets but carry no vertical correction.
        COMPARE_LISTS(page.marks, (QList<Mark>{{2, offsetX + 3470.04f, offsetY + 2528.82f, 113.4f},
                                               {2, offsetX + 8969.94f, offsetY + 2086.56f, 113.4f}}));
    }

    void knownPositionsWithoutShift()
    {
        SlipSnapshot s = freshSlip();
        s.desiredMonthVisible = s.desiredDayVisible = true;
        s.desiredMonth = QStringLiteral("03");
        s.desiredDay = QStringLiteral("15");
        s.goods1 = QStringLiteral("品");
        s.numericToggleDown = true;
        s.total = QStringLiteral("5000");
        const QList<Placement> texts = pageOf(printed(s)).texts;
        QVERIFY(texts.contains(Placement{11, 2029.86f, 1298.43f, "03"}));
        QVERIFY(texts.contains(Placement{11, 2749.95f, 1298.43f, "15"}));
        QVERIFY(texts.contains(Placement{10, 8505.0f, 3895.29f, "品"}));
        QVERIFY(texts.contains(Placement{10, 11311.65f, 5097.33f, "5000"}));
        QVERIFY(texts.contains(Placement{10, 10240.0205078125f, textY(0, 708), "0"}));
    }

    void postalCodeOneCharacterPerBox_data()
    {
        QTest::addColumn<bool>("sender");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("seven digits") << false << "1234567" << QStringList{"1", "2", "3", "4", "5", "6", "7"};
        QTest::newRow("three") << false << "123" << QStringList{"1", "2", "3", "", "", "", ""};
        QTest::newRow("nine") << false << "123456789" << QStringList{"1", "2", "3", "4", "5", "6", "7"};
        QTest::newRow("empty") << false << "" << QStringList{"", "", "", "", "", "", ""};
        QTest::newRow("sender hyphen") << true << "123-4567" << QStringList{"1", "2", "3", "-", "4", "5", "6"};
        QTest::newRow("sender full width") << true << "〒１２３" << QStringList{"〒", "１", "２", "３", "", "", ""};
        QTest::newRow("pair kept whole") << true << "𠮷1𩸽" << QStringList{"𠮷", "1", "𩸽", "", "", "", ""};
    }
    void postalCodeOneCharacterPerBox()
    {
        QFETCH(bool, sender);
        QFETCH(QString, code);
        QFETCH(QStringList, boxes);
        SlipSnapshot s = freshSlip();
        (sender ? s.senderPostal : s.recipientPostal) = code;
        const int size = sender ? 10 : 12;
        const QList<int> xs = sender ? QList<int>{868, 920, 972, 1029, 1081, 1133, 1184}
                                     : QList<int>{840, 930, 1020, 1121, 1211, 1301, 1391};
        QList<Placement> expected;
        for (int i = 0; i < 7; ++i)
            expected.append({float(size), tw(xs[i]), textY(0, sender ? 645 : 156), boxes[i]});
        COMPARE_LISTS(textsAtY(printed(s), textY(0, sender ? 645 : 156)), expected);
    }

    void careOfLineOnlyWhileShown_data()
    {
        QTest::addColumn<bool>("sender");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QString>("text");
        QTest::newRow("recipient shown") << false << true << "佐藤";
        QTest::newRow("recipient hidden") << false << false << "佐藤";
        QTest::newRow("recipient shown empty") << false << true << "";
        QTest::newRow("sender shown") << true << true << "田中";
        QTest::newRow("sender hidden") << true << false << "田中";
        QTest::newRow("sender shown empty") << true << true << "";
    }
    void careOfLineOnlyWhileShown()
    {
        QFETCH(bool, sender);
        QFETCH(bool, visible);
        QFETCH(QString, text);
        SlipSnapshot s = freshSlip();
        (sender ? s.senderName : s.recipientName) = QStringLiteral("名前");
        (sender ? s.senderCareOf : s.recipientCareOf) = text;
        (sender ? s.senderCareOfVisible : s.recipientCareOfVisible) = visible;
        (sender ? s.senderPhone : s.recipientPhone) = QStringLiteral("電話");

        // The care-of line is placed after the name and before the phone.
        const QList<Placement> texts = pageOf(printed(s)).texts;
        const qsizetype name = texts.indexOf(Placement{sender ? 11.0f : 12.0f, tw(750),
                                                       textY(0, sender ? 920 : 490), "名前"});
        QVERIFY(name >= 0);
        const Placement phone{11, tw(905), textY(0, sender ? 978 : 558), "電話"};
        if (visible) {
            QCOMPARE(texts[name + 1], (Placement{sender ? 8.0f : 9.0f, tw(900),
                                                 textY(0, sender ? 861 : 435), text}));
            QCOMPARE(texts[name + 2], phone);
        } else {
            QCOMPARE(texts[name + 1], phone);
        }
        // 11 texts per block plus the care-of line, and the four goods texts.
        QCOMPARE(texts.size(), 22 + (visible ? 1 : 0) + 4);
    }

    void desiredDateOnlyWhileShown_data()
    {
        QTest::addColumn<bool>("month");
        QTest::addColumn<bool>("day");
        QTest::newRow("both shown") << true << true;
        QTest::newRow("both hidden") << false << false;
        QTest::newRow("month only") << true << false;
        QTest::newRow("day only") << false << true;
    }
    void desiredDateOnlyWhileShown()
    {
        QFETCH(bool, month);
        QFETCH(bool, day);
        SlipSnapshot s = freshSlip();
        s.desiredMonth = QStringLiteral("03");
        s.desiredDay = QStringLiteral("15");
        s.desiredMonthVisible = month;
        s.desiredDayVisible = day;
        QList<Placement> expected;
        if (month)
            expected.append({11, 2029.86f, 1298.43f, "03"});
        if (day)
            expected.append({11, 2749.95f, 1298.43f, "15"});
        COMPARE_LISTS(textsAtY(printed(s), 1298.43f), expected);
    }

    void optionMarks_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("notification");
        QTest::addColumn<QList<Mark>>("marks");
        const float r = 113.4f;
        QTest::newRow("slot 1, 必要") << 1 << 1 << QList<Mark>{{2, 2143.26f, 2063.8801f, r}, {2, 8969.94f, 2086.56f, r}};
        QTest::newRow("slot 2, 不要") << 2 << 2 << QList<Mark>{{2, 2806.6501f, 2063.8801f, r}, {2, 9536.94f, 2086.56f, r}};
        QTest::newRow("slot 3") << 3 << 1 << QList<Mark>{{2, 3470.04f, 2063.8801f, r}, {2, 8969.94f, 2086.56f, r}};
        QTest::newRow("slot 4") << 4 << 1 << QList<Mark>{{2, 2143.26f, 2528.82f, r}, {2, 8969.94f, 2086.56f, r}};
        QTest::newRow("slot 5") << 5 << 1 << QList<Mark>{{2, 2806.6501f, 2528.82f, r}, {2, 8969.94f, 2086.56f, r}};
        QTest::newRow("slot 6 希望なし") << 6 << 1 << QList<Mark>{{2, 3470.04f, 2528.82f, r}, {2, 8969.94f, 2086.56f, r}};
        QTest::newRow("none chosen") << 0 << 0 << QList<Mark>{};
    }
    void optionMarks()
    {
        QFETCH(int, slot);
        QFETCH(int, notification);
        QFETCH(QList<Mark>, marks);
        SlipSnapshot s = freshSlip();
        s.timeSlot = slot;
        s.notification = notification;
        COMPARE_LISTS(pageOf(printed(s)).marks, marks);
    }

    void numericAreaFollowsToggle_data()
    {
        QTest::addColumn<bool>("down");
        QTest::addColumn<QStringList>("boxes"); // quantity1..2, price1..2, amount1..2, total
        QTest::addColumn<QStringList>("printed");
        const QStringList zeros{"0", "0", "0", "0", "0", "0", "0"};
        const QStringList changed{"5", "1", "100", "200", "200", "200", "400"};
        QTest::newRow("up, untouched") << false << zeros << QStringList{};
        QTest::newRow("up, with values") << false << changed << QStringList{};
        QTest::newRow("down, untouched") << true << zeros << zeros;
        // Quantity changed to 5 without pressing the total button: the old
        // amount and total are printed as they stand.
        QTest::newRow("down, not recomputed") << true << changed << changed;
        QTest::newRow("down, not a number") << true << QStringList{"abc", "", "1e99", "-", "x", "0", "合計"}
                                             << QStringList{"abc", "", "1e99", "-", "x", "0", "合計"};
    }
    void numericAreaFollowsToggle()
    {
        QFETCH(bool, down);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, printed);
        SlipSnapshot s = freshSlip();
        s.numericToggleDown = down;
        s.quantity1 = boxes[0];
        s.quantity2 = boxes[1];
        s.unitPrice1 = boxes[2];
        s.unitPrice2 = boxes[3];
        s.amount1 = boxes[4];
        s.amount2 = boxes[5];
        s.total = boxes[6];
        const QList<Call> calls = ::printed(s);

        QList<Placement> expected{{10, 8505, 3895.29f, ""}, {10, 8505, textY(0, 793), ""},
                                  {10, 8505, textY(0, 877), ""}, {10, 8505, textY(0, 960), ""}};
        const int xs[] = {1806, 1806, 1882, 1882, 1995, 1995, 1995};
        const int ys[] = {708, 793, 708, 793, 708, 793, 920};
        for (qsizetype i = 0; i < printed.size(); ++i)
            expected.append({10, tw(xs[i]), textY(0, ys[i]), printed[i]});
        const QList<Placement> texts = pageOf(calls).texts;
        COMPARE_LISTS(texts.mid(texts.size() - expected.size()), expected);
        QCOMPARE(texts.size(), 22 + expected.size());
        QCOMPARE(calls.last(), Call::endDoc());
    }

    void verticalCorrectionFromReportedSize_data()
    {
        QTest::addColumn<float>("reported");
        QTest::addColumn<QString>("correction");
        QTest::addColumn<double>("c");
        QTest::addColumn<QString>("y");
        QTest::addColumn<float>("offsetY");
        QTest::newRow("14 as set") << 14.0f << "-21" << -21.0 << "70" << 0.0f;
        QTest::newRow("13.98 at 1200 dpi") << 13.98f << "-20.97" << -20.97 << "70" << 0.0f;
        QTest::newRow("14.04 at 600 dpi") << 14.04f << "-21.06" << -21.06 << "70" << 0.0f;
        // Here rounding the correction to single before adding would land
        // one unit in the last place lower (385.219788).
        QTest::newRow("14.04, Y 3") << 14.04f << "-21.06" << -21.06 << "3" << -67.0f * 5.67f;
        // 3 x size lands on half a ten-thousandth: halves go to even.
        QTest::newRow("half down to even") << 0.09375f << "-0.1406" << -0.1406 << "70" << 0.0f;
        QTest::newRow("half kept even") << 0.21875f << "-0.3281" << -0.3281 << "70" << 0.0f;
        QTest::newRow("half up to even") << 0.03125f << "-0.0469" << -0.0469 << "70" << 0.0f;
    }
    void verticalCorrectionFromReportedSize()
    {
        QFETCH(float, reported);
        QFETCH(QString, correction);
        QFETCH(double, c);
        QFETCH(QString, y);
        QFETCH(float, offsetY);
        RecordingPrinter printer;
        printer.reportFontSize(reported);
        JobState state;
        SlipSnapshot s = freshSlip();
        s.offsetYText = y;
        nerufa::printSlip(s, state, printer);
        QCOMPARE(state.verticalCorrection, correction);
        const Page page = pageOf(printer.calls());
        QCOMPARE(page.texts.first(), (Placement{12, 4762.8003f, textY(offsetY, 156, c), {}}));
        // Circles never carry it.
        QCOMPARE(page.marks.first(), (Mark{2, 3470.04f, offsetY + 2528.82f, 113.4f}));
    }

    void badOffsetStopsBeforeThePrinter_data()
    {
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<RuntimeError::Kind>("kind");
        using K = RuntimeError::Kind;
        QTest::newRow("empty X") << "" << "70" << K::TypeMismatch;
        QTest::newRow("blank Y") << "30" << " " << K::TypeMismatch;
        QTest::newRow("letters X") << "abc" << "70" << K::TypeMismatch;
        QTest::newRow("letter O in Y") << "30" << "7O" << K::TypeMismatch;
        QTest::newRow("X beyond single") << "1e39" << "70" << K::Overflow;
        QTest::newRow("X offset beyond single") << "3e38" << "70" << K::Overflow;
        QTest::newRow("Y offset beyond single") << "30" << "-3e38" << K::Overflow;
    }
    void badOffsetStopsBeforeThePrinter()
    {
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(RuntimeError::Kind, kind);
        for (const bool check : {false, true}) {
            RecordingPrinter printer;
            JobState state;
            SlipSnapshot s = freshSlip();
            s.offsetXText = x;
            s.offsetYText = y;
            try {
                if (check)
                    nerufa::printPositionCheck(x, y, state, printer);
                else
                    nerufa::printSlip(s, state, printer);
                QFAIL("no error raised");
            } catch (const RuntimeError &e) {
                QCOMPARE(e.kind(), kind);
            }
            COMPARE_LISTS(printer.calls(), QList<Call>{});
        }
    }

    void failingPrinterAbortsThePage_data()
    {
        QTest::addColumn<bool>("check");
        QTest::addColumn<int>("failAt"); // 0: the end of document
        QTest::newRow("slip, first call") << false << 1;
        QTest::newRow("slip, read-back") << false << 2;
        QTest::newRow("slip, face") << false << 3;
        QTest::newRow("slip, mid-way") << false << 60;
        QTest::newRow("slip, end of document") << false << 0;
        QTest::newRow("check, line width") << true << 1;
        QTest::newRow("check, second circle") << true << 3;
        QTest::newRow("check, end of document") << true << 0;
    }
    void failingPrinterAbortsThePage()
    {
        QFETCH(bool, check);
        QFETCH(int, failAt);
        const auto run = [&](RecordingPrinter &printer) {
            JobState state;
            if (check)
                nerufa::printPositionCheck(QStringLiteral("30"), QStringLiteral("70"), state, printer);
            else
                nerufa::printSlip(freshSlip(), state, printer);
        };
        if (failAt == 0) {
            RecordingPrinter whole;
            run(whole);
            failAt = int(whole.calls().size());
        }
        RecordingPrinter printer;
        printer.failAtCall(failAt);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, run(printer));
        const QList<Call> &calls = printer.calls();
        QCOMPARE(calls.size(), failAt + 1);
        QCOMPARE(calls.last(), Call::abortDoc());
        QCOMPARE(calls.count(Call::abortDoc()), 1);
        QVERIFY(!calls.mid(0, failAt - 1).contains(Call::endDoc()));
    }

    void absurdReadBackSizeOverflowsAndAborts()
    {
        RecordingPrinter printer;
        printer.reportFontSize(1e20f);
        JobState state;
        try {
            nerufa::printSlip(freshSlip(), state, printer);
            QFAIL("no error raised");
        } catch (const RuntimeError &e) {
            QCOMPARE(e.kind(), RuntimeError::Kind::Overflow);
        }
        COMPARE_LISTS(printer.calls(), (QList<Call>{Call::fontSize(14), Call::readFontSize(1e20f),
                                                    Call::abortDoc()}));
    }

    void positionCheck_data()
    {
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<float>("leftX");
        QTest::addColumn<float>("rightX");
        QTest::addColumn<float>("centreY");
        QTest::newRow("30/70") << "30" << "70" << 4570.02f << 8153.46f << 601.02f;
        // Each centre is the single-precision sum of offset and position;
        // the decimals 595.35 and 204.12 are one unit in the last place
        // away from that sum, so the sum is written out.
        QTest::newRow("31/69") << "31" << "69" << 4575.69f << 8159.13f << -5.67f + 601.02f;
        QTest::newRow("0/0") << "0" << "0" << 4399.92f << 7983.36f << -396.9f + 601.02f;
        QTest::newRow("30.5/70") << "30.5" << "70" << 2.835f + 4570.02f << 2.835f + 8153.46f << 601.02f;
    }
    void positionCheck()
    {
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(float, leftX);
        QFETCH(float, rightX);
        QFETCH(float, centreY);
        JobState state;
        state.verticalCorrection = QStringLiteral("-21");
        RecordingPrinter printer;
        nerufa::printPositionCheck(x, y, state, printer);
        COMPARE_LISTS(printer.calls(), (QList<Call>{Call::lineWidth(2), Call::circle(leftX, centreY, 17.01f),
                                                    Call::circle(rightX, centreY, 17.01f), Call::endDoc()}));
        QCOMPARE(state.markRadius, 3.0f);
        QCOMPARE(state.markLineWidth, 2.0f);
        QCOMPARE(state.verticalCorrection, QStringLiteral("-21"));
    }
};

QTEST_GUILESS_MAIN(TestPrintJobs)
#include "test_printjobs.moc"
