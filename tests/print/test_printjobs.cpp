// The slip print and the position-check print through the recording
// printer. Every expected position is written as the slip's layout gives
// it in twips, so these tables do not depend on how the code computes them.
// The recorder writes each float in its shortest exact form: a line that
// reads "currentX 10240.0205" holds exactly that float, not one near it.

#include "printjobs.h"
#include "recordingprinter.h"
#include "runtimeerror.h"
#include "testsupport.h"

#include <QtTest>

using nerufa::RecordingPrinter;
using nerufa::RuntimeError;
using nerufa::testsupport::guardRow;

namespace {

// The slip's placements on a printer that reads the probe size 14 back as
// 0: no vertical correction, so every text lands at its layout position.
QStringList placements(const nerufa::SlipSnapshot &slip)
{
    RecordingPrinter printer;
    printer.reportFontSize(0);
    nerufa::JobState state;
    nerufa::printSlip(slip, state, printer);
    return printer.placements();
}

// Nothing when the job ran to its end, else the kind of its error.
QString failure(const std::function<void()> &job)
{
    try {
        job();
        return {};
    } catch (const RuntimeError &e) {
        return e.message().section(u'\n', 0, 0); // the kind, as the message box's first line
    }
}

} // namespace

class TestPrintJobs : public QObject {
    Q_OBJECT

private slots:
    void everyItemAtItsPlace_data()
    {
        QTest::addColumn<QStringList>("left"); // the optional texts left out: hidden, or the toggle up
        const QStringList numbers{"10", "12", "4000", "500", "40000", "6000", "46000"};
        QTest::newRow("all shown") << QStringList();
        QTest::newRow("as started") << QStringList{"佐藤様方", "田中様方", "03", "15"} + numbers;
        QTest::newRow("recipient care-of, month") << QStringList{"田中様方", "15"} + numbers;
        QTest::newRow("sender care-of, day, numbers") << QStringList{"佐藤様方", "03"};
    }
    void everyItemAtItsPlace()
    {
        guardRow([&] {
            QFETCH(QStringList, left);
            nerufa::SlipSnapshot slip = nerufa::testsupport::filledSlip();
            slip.recipientCareOfVisible = !left.contains(slip.recipientCareOf);
            slip.senderCareOfVisible = !left.contains(slip.senderCareOf);
            slip.desiredMonthVisible = !left.contains(slip.desiredMonth);
            slip.desiredDayVisible = !left.contains(slip.desiredDay);
            slip.numericToggleDown = !left.contains(slip.total);
            // Size, X, Y and text of each item, in the order the job places them.
            QStringList expected{
                "fontSize 14", "fontName ＭＳ　P ゴシック", "fontBold 0",
                "12 4762.8003 884.52 1", "12 5273.1 884.52 2", "12 5783.4 884.52 3", "12 6356.0703 884.52 4",
                "12 6866.37 884.52 5", "12 7376.67 884.52 ", "12 7886.97 884.52 ",
                "10 4762.8003 1525.23 東京都千代田区", "10 4195.8003 2080.8901 丸の内1-1",
                "12 4252.5 2778.3 山田太郎", "9 5103 2466.45 佐藤様方", "11 5131.35 3163.86 03-1111-2222",
                "10 4921.56 3657.1501 6", "10 5216.4 3657.1501 7", "10 5511.24 3657.1501 8",
                "10 5834.43 3657.1501 -", "10 6129.27 3657.1501 9", "10 6424.11 3657.1501 0",
                "10 6713.2803 3657.1501 0", "10 4762.8003 4025.7 大阪府大阪市", "10 4195.8003 4484.97 北区梅田3-3",
                "11 4252.5 5216.4 鈴木花子", "8 5103 4881.87 田中様方", "11 5131.35 5545.2603 06-3333-4444",
                "11 2029.86 1417.5 03", "11 2749.95 1417.5 15",
                "lineWidth 2", "circle 3470.04 2528.82 113.4", "lineWidth 2", "circle 8969.94 2086.56 113.4",
                "10 8505 4014.36 りんご", "10 8505 4496.31 みかん", "10 8505 4972.59 A-100", "10 8505 5443.2 B-200",
                "10 10240.0205 4014.36 10", "10 10240.0205 4496.31 12", "10 10670.94 4014.36 4000",
                "10 10670.94 4496.31 500", "10 11311.65 4014.36 40000", "10 11311.65 4496.31 6000",
                "10 11311.65 5216.4 46000", "endDoc"};
            expected.removeIf([&](const QString &line) { return left.contains(line.section(u' ', 3)); });
            QCOMPARE(placements(slip), expected);
        });
    }

    void oneCircleForEachChosenOption_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("notification");
        QTest::addColumn<QStringList>("circles");
        QTest::newRow("午前, 必要") << 1 << 1 << QStringList{"circle 2143.26 2063.8801 113.4", "circle 8969.94 2086.56 113.4"};
        QTest::newRow("午後１２時, 不要") << 2 << 2 << QStringList{"circle 2806.6501 2063.8801 113.4", "circle 9536.94 2086.56 113.4"};
        QTest::newRow("午後１４時") << 3 << 0 << QStringList{"circle 3470.04 2063.8801 113.4"};
        QTest::newRow("夕方") << 4 << 0 << QStringList{"circle 2143.26 2528.82 113.4"};
        QTest::newRow("夜間") << 5 << 0 << QStringList{"circle 2806.6501 2528.82 113.4"};
        QTest::newRow("none chosen") << 0 << 0 << QStringList();
    }
    void oneCircleForEachChosenOption()
    {
        guardRow([&] {
            QFETCH(int, slot);
            QFETCH(int, notification);
            QFETCH(QStringList, circles);
            nerufa::SlipSnapshot slip = nerufa::testsupport::filledSlip();
            slip.timeSlot = slot;
            slip.notification = notification;
            QCOMPARE(placements(slip).filter(QStringLiteral("circle ")), circles);
        });
    }

    // The worked examples: the slip and the position-check page for the
    // same offset boxes. A bad box stops either job before the printer is
    // touched. (What a printer failing half-way leaves is in test_batchrun.)
    void offsetsAndCorrectionMoveThePrint_data()
    {
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<float>("size"); // the font size read back
        QTest::addColumn<QString>("outcome"); // the correction -(3 x size) / 2, or the error of both jobs
        QTest::addColumn<QStringList>("lines");
        const QString mismatch = QStringLiteral("型が一致しません。");
        const QString overflow = QStringLiteral("オーバーフローしました。");
        QTest::newRow("30/70") << "30" << "70" << 14.0f << "-21"
                               << QStringList{"12 4762.8003 765.45 1", "11 2029.86 1298.43 03", "11 2749.95 1298.43 15",
                                              "10 8505 3895.29 りんご", "10 11311.65 5097.33 46000",
                                              "circle 3470.04 2528.82 113.4", "circle 8969.94 2086.56 113.4",
                                              "circle 4570.02 601.02 17.01", "circle 8153.46 601.02 17.01"};
        // The worked examples' 595.35 and 204.12 as single precision holds
        // them: the float nearest to 601.02 - 5.67 is 595.35004.
        QTest::newRow("31/69") << "31" << "69" << 14.0f << "-21"
                               << QStringList{"circle 4575.69 595.35004 17.01", "circle 8159.13 595.35004 17.01"};
        QTest::newRow("0/0") << "0" << "0" << 14.0f << "-21"
                             << QStringList{"circle 4399.92 204.12003 17.01", "circle 7983.36 204.12003 17.01"};
        QTest::newRow("13.98 read back") << "30" << "70" << 13.98f << "-20.97" << QStringList();
        QTest::newRow("half to even") << "30" << "70" << 0.09375f << "-0.1406" << QStringList();
        QTest::newRow("empty box") << "30" << "" << 14.0f << mismatch << QStringList();
        QTest::newRow("letter O") << "30" << "7O" << 14.0f << mismatch << QStringList();
        QTest::newRow("beyond single") << "30" << "1e39" << 14.0f << overflow << QStringList();
    }
    void offsetsAndCorrectionMoveThePrint()
    {
        guardRow([&] {
            QFETCH(QString, x);
            QFETCH(QString, y);
            QFETCH(float, size);
            QFETCH(QString, outcome);
            QFETCH(QStringList, lines);
            nerufa::SlipSnapshot slip = nerufa::testsupport::filledSlip();
            slip.offsetXText = x;
            slip.offsetYText = y;
            RecordingPrinter printer, check;
            printer.reportFontSize(size);
            nerufa::JobState state;
            const QString error = failure([&] { nerufa::printSlip(slip, state, printer); });
            QCOMPARE(error.isEmpty() ? state.verticalCorrection : error, outcome);
            QCOMPARE(failure([&] { nerufa::printPositionCheck(x, y, state, check); }), error);
            QVERIFY(error.isEmpty() || printer.calls().isEmpty());
            QCOMPARE(check.calls().size(), error.isEmpty() ? 4 : 0); // line width, two circles, end of document
            const QStringList printed = printer.placements() + check.calls();
            for (const QString &line : lines)
                QVERIFY2(printed.contains(line), qPrintable(line + " not in\n" + printed.join(u'\n')));
        });
    }
};

QTEST_GUILESS_MAIN(TestPrintJobs)
#include "test_printjobs.moc"
