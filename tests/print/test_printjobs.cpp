// The slip print and the position-check print, watched through the
// recording printer: which calls, in which order, with which exact numbers.
//
// Calls are compared with operator==, so positions bit for bit. QCOMPARE
// on two floats would allow a relative 1e-5 and let 10240.0195 pass for
// 10240.0205.

#include "printjobs.h"
#include "recordingprinter.h"
#include "runtimeerror.h"

#include <QtTest>
#include <functional>
#include <optional>

using nerufa::JobState;
using nerufa::RecordingPrinter;
using nerufa::RuntimeError;
using nerufa::SlipSnapshot;
using Call = RecordingPrinter::Call;
using Kind = RuntimeError::Kind;

namespace nerufa {
char *toString(const RecordingPrinter::Call &c) { return qstrdup(qPrintable(c.toString())); }
char *toString(RuntimeError::Kind k) { return qstrdup(qPrintable(RuntimeError::kindName(k))); }
char *toString(const std::optional<RuntimeError::Kind> &k) { return k ? toString(*k) : qstrdup("no error"); }
} // namespace nerufa

namespace {

// A layout position n (tenths of a mm) in twips: the single-precision 5.67.
float tw(int n) { return float(n) * 5.67f; }

// Where a text on layout line n lands: the vertical correction (tenths of a
// mm) and the position are added in double and rounded once.
float textY(float offsetY, int n, double correction = -21.0)
{
    return float(correction * double(5.67f) + double(offsetY + tw(n)));
}

// The four calls that place one text at layout position (x, line).
QList<Call> text(int size, int x, int line, const QString &s, float offsetX = 0, float offsetY = 0,
                 double correction = -21.0)
{
    return {Call::fontSize(float(size)), Call::currentX(offsetX + tw(x)),
            Call::currentY(textY(offsetY, line, correction)), Call::printText(s)};
}

// The postal code boxes, one character each; the larger step between boxes
// 3 and 4 is the slip's hyphen gap.
const int kRecipientBoxes[] = {840, 930, 1020, 1121, 1211, 1301, 1391};
const int kSenderBoxes[] = {868, 920, 972, 1029, 1081, 1133, 1184};

Call mark(int x, int y) { return Call::circle(tw(x), tw(y), 113.4f); }

QList<Call> circlesOf(const QList<Call> &calls)
{
    QList<Call> out;
    for (const Call &c : calls)
        if (c.op == Call::Op::Circle)
            out << c;
    return out;
}

// Every call that differs, so that one run shows the whole damage.
QByteArray difference(const QList<Call> &actual, const QList<Call> &expected)
{
    const auto at = [](const QList<Call> &calls, qsizetype i) {
        return i < calls.size() ? calls[i].toString() : QStringLiteral("(none)");
    };
    QString out;
    for (qsizetype i = 0; i < qMax(actual.size(), expected.size()); ++i)
        if (at(actual, i) != at(expected, i))
            out += QStringLiteral("\n  #%1 actual %2, expected %3").arg(i).arg(at(actual, i), at(expected, i));
    return out.toUtf8();
}

#define COMPARE_CALLS(actual, expected) \
    QVERIFY2((actual) == (expected), difference((actual), (expected)).constData())

// The slip as the window starts it: offsets neutral, "希望なし" and "必要"
// chosen, everything else empty.
SlipSnapshot freshSlip()
{
    SlipSnapshot s;
    s.offsetXText = QStringLiteral("30");
    s.offsetYText = QStringLiteral("70");
    s.timeSlot = 6;
    s.notification = 1;
    return s;
}

QList<Call> printed(const SlipSnapshot &slip, JobState *state = nullptr)
{
    JobState local;
    RecordingPrinter printer;
    nerufa::printSlip(slip, state ? *state : local, printer);
    return printer.calls();
}

// The kind of error f raises, none when it returns.
std::optional<Kind> errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const RuntimeError &e) {
        return e.kind();
    }
    return std::nullopt;
}

} // namespace

class TestPrintJobs : public QObject {
    Q_OBJECT

private slots:
    void everyItemAtItsPlaceInOrder_data()
    {
        QTest::addColumn<bool>("recipientCareOf");
        QTest::addColumn<bool>("senderCareOf"); // shown but empty
        QTest::addColumn<bool>("month");
        QTest::addColumn<bool>("day");
        QTest::addColumn<bool>("numericDown");
        QTest::addColumn<QStringList>("boxes"); // quantities, prices, amounts, total
        const QStringList untouched{"0", "0", "0", "0", "0", "0", "0"};
        // A quantity changed without pressing the total button: the old
        // amounts and total are printed as they stand.
        const QStringList changed{"5", "3", "500", "300", "1000", "900", "1900"};
        QTest::newRow("all shown, changed") << true << true << true << true << true << changed;
        QTest::newRow("recipient care-of, month, up") << true << false << true << false << false << changed;
        QTest::newRow("sender care-of, day, untouched") << false << true << false << true << true << untouched;
        QTest::newRow("all hidden, untouched") << false << false << false << false << false << untouched;
    }
    void everyItemAtItsPlaceInOrder()
    {
        QFETCH(bool, recipientCareOf);
        QFETCH(bool, senderCareOf);
        QFETCH(bool, month);
        QFETCH(bool, day);
        QFETCH(bool, numericDown);
        QFETCH(QStringList, boxes);
        const SlipSnapshot s{
            .offsetXText = "30", .offsetYText = "70",
            .recipientPostal = "1234567", .recipientAddress1 = "東京都千代田区",
            .recipientAddress2 = "丸の内1-1", .recipientName = "山田太郎", .recipientCareOf = "佐藤",
            .recipientCareOfVisible = recipientCareOf, .recipientPhone = "03-1111-2222",
            .senderPostal = "7654321", .senderAddress1 = "大阪府", .senderAddress2 = "北区",
            .senderName = "鈴木花子", .senderCareOf = "", .senderCareOfVisible = senderCareOf,
            .senderPhone = "06-3333-4444",
            .desiredMonth = "03", .desiredMonthVisible = month, .desiredDay = "15", .desiredDayVisible = day,
            .timeSlot = 2, .notification = 2,
            .goods1 = "りんご", .goods2 = "みかん", .productNumber1 = "A-1", .productNumber2 = "B-2",
            .numericToggleDown = numericDown, .quantity1 = boxes[0], .quantity2 = boxes[1],
            .unitPrice1 = boxes[2], .unitPrice2 = boxes[3], .amount1 = boxes[4], .amount2 = boxes[5],
            .total = boxes[6]};
        JobState state;
        state.verticalCorrection = QStringLiteral("stale");
        const QList<Call> calls = printed(s, &state);

        // The probe size is set and read back and the face set once, before
        // the first text. Every text is size, X, Y, text; every circle
        // follows its line width; the goods come after the circles.
        QList<Call> expected{Call::fontSize(14), Call::readFontSize(14), Call::fontName("ＭＳ　P ゴシック"),
                             Call::fontBold(false)};
        for (int i = 0; i < 7; ++i)
            expected << text(12, kRecipientBoxes[i], 156, QString::number(i + 1));
        expected << text(10, 840, 269, "東京都千代田区") << text(10, 740, 367, "丸の内1-1")
                 << text(12, 750, 490, "山田太郎");
        if (recipientCareOf)
            expected << text(9, 900, 435, "佐藤");
        expected << text(11, 905, 558, "03-1111-2222");
        for (int i = 0; i < 7; ++i)
            expected << text(10, kSenderBoxes[i], 645, QString::number(7 - i));
        expected << text(10, 840, 710, "大阪府") << text(10, 740, 791, "北区") << text(11, 750, 920, "鈴木花子");
        if (senderCareOf)
            expected << text(8, 900, 861, "");
        expected << text(11, 905, 978, "06-3333-4444");
        if (month)
            expected << text(11, 358, 250, "03");
        if (day)
            expected << text(11, 485, 250, "15");
        expected << Call::lineWidth(2) << mark(495, 364) << Call::lineWidth(2) << mark(1682, 368);
        expected << text(10, 1500, 708, "りんご") << text(10, 1500, 793, "みかん") << text(10, 1500, 877, "A-1")
                 << text(10, 1500, 960, "B-2");
        const int numberX[] = {1806, 1806, 1882, 1882, 1995, 1995, 1995};
        const int numberY[] = {708, 793, 708, 793, 708, 793, 920};
        for (int i = 0; numericDown && i < 7; ++i)
            expected << text(10, numberX[i], numberY[i], boxes[i]);
        COMPARE_CALLS(calls, expected << Call::endDoc());
        // The first box written out, apart from the rule the helpers follow.
        QVERIFY(calls[5] == Call::currentX(4762.8003f) && calls[6] == Call::currentY(765.45f));

        QVERIFY(state.xOffsetValue == 30 && state.yOffsetValue == 70);
        QVERIFY(state.offsetX == 0 && state.offsetY == 0);
        QCOMPARE(state.verticalCorrection, QStringLiteral("-21"));
        QVERIFY(state.markRadius == 20 && state.markLineWidth == 2);
    }

    void positionsFollowOffsetsAndCorrection_data()
    {
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<float>("offsetX"); // twips
        QTest::addColumn<float>("offsetY");
        QTest::addColumn<float>("reported"); // the font size the printer reads back
        QTest::addColumn<QString>("correction"); // empty: overflow
        QTest::newRow("30/70 no shift") << "30" << "70" << 0.0f << 0.0f << 14.0f << "-21";
        QTest::newRow("31/69 right and up") << "31" << "69" << 5.67f << -5.67f << 14.0f << "-21";
        QTest::newRow("0/0 left and up") << "0" << "0" << -170.1f << -396.9f << 14.0f << "-21";
        QTest::newRow("30.5 fraction") << "30.5" << "70" << 2.835f << 0.0f << 14.0f << "-21";
        // The factor is the single 5.67: a double 5.67 gives -164.429993.
        QTest::newRow("1/70") << "1" << "70" << -164.430008f << 0.0f << 14.0f << "-21";
        QTest::newRow("13.98 at 1200 dpi") << "30" << "70" << 0.0f << 0.0f << 13.98f << "-20.97";
        // Rounding the correction to single before adding would land one
        // unit in the last place lower (385.219788).
        QTest::newRow("14.04, Y 3") << "30" << "3" << 0.0f << -67.0f * 5.67f << 14.04f << "-21.06";
        // 3 x size lands on half a ten-thousandth: halves go to even.
        QTest::newRow("half down to even") << "30" << "70" << 0.0f << 0.0f << 0.09375f << "-0.1406";
        QTest::newRow("half up to even") << "30" << "70" << 0.0f << 0.0f << 0.03125f << "-0.0469";
        QTest::newRow("absurd size") << "30" << "70" << 0.0f << 0.0f << 1e20f << "";
    }
    void positionsFollowOffsetsAndCorrection()
    {
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(float, offsetX);
        QFETCH(float, offsetY);
        QFETCH(float, reported);
        QFETCH(QString, correction);
        SlipSnapshot s = freshSlip();
        s.offsetXText = x;
        s.offsetYText = y;
        s.numericToggleDown = true;
        RecordingPrinter printer;
        printer.reportFontSize(reported);
        JobState state;
        if (correction.isEmpty()) {
            QCOMPARE(errorOf([&] { nerufa::printSlip(s, state, printer); }), Kind::Overflow);
            COMPARE_CALLS(printer.calls(),
                          (QList<Call>{Call::fontSize(14), Call::readFontSize(reported), Call::abortDoc()}));
            return;
        }
        nerufa::printSlip(s, state, printer);
        const QList<Call> &calls = printer.calls();
        QVERIFY(state.offsetX == offsetX && state.offsetY == offsetY);
        QCOMPARE(state.verticalCorrection, correction);
        // The first and the last text; the circles move with the offsets but
        // carry no vertical correction.
        const double c = correction.toDouble();
        COMPARE_CALLS(calls.mid(4, 4) + calls.mid(calls.size() - 5, 4),
                      text(12, 840, 156, "", offsetX, offsetY, c) + text(10, 1995, 920, "", offsetX, offsetY, c));
        COMPARE_CALLS(circlesOf(calls), (QList<Call>{Call::circle(offsetX + 3470.04f, offsetY + 2528.82f, 113.4f),
                                                     Call::circle(offsetX + 8969.94f, offsetY + 2086.56f, 113.4f)}));

        // Each centre of the check is the single-precision sum of offset and position.
        JobState check;
        check.verticalCorrection = QStringLiteral("stale");
        RecordingPrinter checkPrinter;
        nerufa::printPositionCheck(x, y, check, checkPrinter);
        COMPARE_CALLS(checkPrinter.calls(), (QList<Call>{Call::lineWidth(2),
                                                         Call::circle(offsetX + 4570.02f, offsetY + 601.02f, 17.01f),
                                                         Call::circle(offsetX + 8153.46f, offsetY + 601.02f, 17.01f),
                                                         Call::endDoc()}));
        QVERIFY(check.offsetX == offsetX && check.offsetY == offsetY);
        QVERIFY(check.markRadius == 3 && check.markLineWidth == 2);
        QCOMPARE(check.verticalCorrection, QStringLiteral("stale"));
    }

    void postalCodeOneCharacterPerBox_data()
    {
        QTest::addColumn<bool>("sender");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("three") << false << "123" << QStringList{"1", "2", "3", "", "", "", ""};
        QTest::newRow("nine") << false << "123456789" << QStringList{"1", "2", "3", "4", "5", "6", "7"};
        QTest::newRow("sender, hyphen") << true << "123-4567" << QStringList{"1", "2", "3", "-", "4", "5", "6"};
        QTest::newRow("sender, pairs kept whole") << true << "𠮷1𩸽" << QStringList{"𠮷", "1", "𩸽", "", "", "", ""};
    }
    void postalCodeOneCharacterPerBox()
    {
        QFETCH(bool, sender);
        QFETCH(QString, code);
        QFETCH(QStringList, boxes);
        SlipSnapshot s = freshSlip();
        (sender ? s.senderPostal : s.recipientPostal) = code;
        QList<Call> expected;
        for (int i = 0; i < 7; ++i)
            expected << (sender ? text(10, kSenderBoxes[i], 645, boxes[i]) : text(12, kRecipientBoxes[i], 156, boxes[i]));
        // After the four calls that set the font; the sender's boxes after
        // the recipient's eleven texts.
        COMPARE_CALLS(printed(s).mid(sender ? 48 : 4, 28), expected);
    }

    void optionMarks_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("notification");
        QTest::addColumn<QList<Call>>("marks");
        QTest::newRow("slot 1, 必要") << 1 << 1 << QList<Call>{mark(378, 364), mark(1582, 368)};
        QTest::newRow("slot 2, 不要") << 2 << 2 << QList<Call>{mark(495, 364), mark(1682, 368)};
        QTest::newRow("slot 3") << 3 << 0 << QList<Call>{mark(612, 364)};
        QTest::newRow("slot 4") << 4 << 0 << QList<Call>{mark(378, 446)};
        QTest::newRow("slot 5") << 5 << 0 << QList<Call>{mark(495, 446)};
        QTest::newRow("slot 6 希望なし") << 6 << 0 << QList<Call>{mark(612, 446)};
        QTest::newRow("none chosen") << 0 << 0 << QList<Call>{};
    }
    void optionMarks()
    {
        QFETCH(int, slot);
        QFETCH(int, notification);
        QFETCH(QList<Call>, marks);
        SlipSnapshot s = freshSlip();
        s.timeSlot = slot;
        s.notification = notification;
        COMPARE_CALLS(circlesOf(printed(s)), marks);
    }

    void errorsLeaveNoPage_data()
    {
        QTest::addColumn<bool>("check");
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<int>("failAt"); // the printer call made to fail; 0: none; -1: the end of document
        QTest::addColumn<Kind>("kind");
        // A bad offset box stops the job before the printer is touched.
        QTest::newRow("slip, empty X") << false << "" << "70" << 0 << Kind::TypeMismatch;
        QTest::newRow("check, letter O in Y") << true << "30" << "7O" << 0 << Kind::TypeMismatch;
        QTest::newRow("check, X beyond single") << true << "1e39" << "70" << 0 << Kind::Overflow;
        QTest::newRow("slip, Y offset beyond single") << false << "30" << "-3e38" << 0 << Kind::Overflow;
        // A failing printer: the begun page is aborted, never ended.
        QTest::newRow("slip, first call") << false << "30" << "70" << 1 << Kind::PrinterError;
        QTest::newRow("slip, mid-way") << false << "30" << "70" << 60 << Kind::PrinterError;
        QTest::newRow("slip, end of document") << false << "30" << "70" << -1 << Kind::PrinterError;
        QTest::newRow("check, second circle") << true << "30" << "70" << 3 << Kind::PrinterError;
    }
    void errorsLeaveNoPage()
    {
        QFETCH(bool, check);
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(int, failAt);
        QFETCH(Kind, kind);
        const auto run = [&](RecordingPrinter &printer) {
            JobState state;
            SlipSnapshot s = freshSlip();
            s.offsetXText = x;
            s.offsetYText = y;
            if (check)
                nerufa::printPositionCheck(x, y, state, printer);
            else
                nerufa::printSlip(s, state, printer);
        };
        if (failAt < 0) {
            RecordingPrinter whole;
            run(whole);
            failAt = int(whole.calls().size());
        }
        RecordingPrinter printer;
        printer.failAtCall(failAt);
        QCOMPARE(errorOf([&] { run(printer); }), kind);
        if (failAt == 0) {
            COMPARE_CALLS(printer.calls(), QList<Call>{});
        } else {
            // No end of document before the failing call, then the abort.
            QCOMPARE(printer.calls().size(), failAt + 1);
            QCOMPARE(printer.calls().last(), Call::abortDoc());
            QVERIFY(!printer.calls().mid(0, failAt - 1).contains(Call::endDoc()));
        }
    }
};

QTEST_GUILESS_MAIN(TestPrintJobs)
#include "test_printjobs.moc"
