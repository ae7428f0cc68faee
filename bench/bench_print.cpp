// Times the print jobs: the slip into a PDF file through the page printer, the slip
// into the recording printer (the job logic, each call kept as text), and
// the position-check page into a PDF file. Prints the median and spread
// over many runs.
//
//   bench_print [runs]     (default 200)

#include "fonts.h"
#include "printjobs.h"
#include "pagedestination.h"
#include "spoolerwait.h"
#include "pageprinter.h"
#include "recordingprinter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

nerufa::SlipSnapshot filledSlip()
{
    nerufa::SlipSnapshot s;
    s.offsetXText = QStringLiteral("31");
    s.offsetYText = QStringLiteral("69");
    s.recipientPostal = QStringLiteral("1000005");
    s.recipientAddress1 = QStringLiteral("東京都千代田区丸の内");
    s.recipientAddress2 = QStringLiteral("一丁目ビル１２階");
    s.recipientName = QStringLiteral("山田太郎");
    s.recipientCareOf = QStringLiteral("佐藤様方");
    s.recipientCareOfVisible = true;
    s.recipientPhone = QStringLiteral("03-1111-2222");
    s.senderPostal = QStringLiteral("530-0001");
    s.senderAddress1 = QStringLiteral("大阪府大阪市北区");
    s.senderAddress2 = QStringLiteral("梅田三丁目");
    s.senderName = QStringLiteral("鈴木花子");
    s.senderPhone = QStringLiteral("06-3333-4444");
    s.desiredMonth = QStringLiteral("03");
    s.desiredDay = QStringLiteral("15");
    s.desiredMonthVisible = s.desiredDayVisible = true;
    s.timeSlot = 2;
    s.notification = 1;
    s.goods1 = QStringLiteral("りんご（青森産）");
    s.goods2 = QStringLiteral("みかん");
    s.productNumber1 = QStringLiteral("A-100");
    s.productNumber2 = QStringLiteral("B-200");
    s.numericToggleDown = true;
    s.quantity1 = QStringLiteral("10");
    s.quantity2 = QStringLiteral("12");
    s.unitPrice1 = QStringLiteral("4000");
    s.unitPrice2 = QStringLiteral("4000");
    s.amount1 = QStringLiteral("40000");
    s.amount2 = QStringLiteral("48000");
    s.total = QStringLiteral("88000");
    return s;
}

// Runs `job` once on its own (the first run loads and embeds the fonts, so
// it is reported apart), then `runs` more times, and prints the figures in
// milliseconds.
void measure(const char *name, int runs, const std::function<void()> &job)
{
    QElapsedTimer timer;
    timer.start();
    job();
    const double first = timer.nsecsElapsed() / 1e6;

    std::vector<double> ms;
    ms.reserve(runs);
    for (int i = 0; i < runs; ++i) {
        timer.restart();
        job();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) { return ms[std::min(ms.size() - 1, size_t(q * ms.size()))]; };
    std::printf("%-28s first %8.3f  median %8.3f  p10 %8.3f  p90 %8.3f  max %8.3f  (ms, %d runs)\n",
                name, first, at(0.5), at(0.1), at(0.9), ms.back(), runs);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 200;
    nerufa::fonts::registerSubstitutions();

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const nerufa::SlipSnapshot slip = filledSlip();
    nerufa::JobState state;

    // A destination and a page printer per job, as the window does.
    const nerufa::PrinterChoice pdfFile{nerufa::PrinterChoice::Kind::PdfFile, dir.filePath(QStringLiteral("slip.pdf")), {}, {}};
    nerufa::PlainWaiting waiting;
    const auto onPdfFile = [&](const std::function<void(nerufa::Printer &)> &job) {
        const auto destination = nerufa::openDestination(pdfFile, waiting);
        nerufa::PagePrinter printer(*destination);
        job(printer);
        destination->finish();
    };

    measure("slip -> PDF file", runs, [&] {
        onPdfFile([&](nerufa::Printer &printer) { nerufa::printSlip(slip, state, printer); });
    });
    measure("slip -> recording printer", runs, [&] {
        nerufa::RecordingPrinter printer;
        nerufa::printSlip(slip, state, printer);
    });
    measure("position check -> PDF file", runs, [&] {
        onPdfFile([&](nerufa::Printer &printer) {
            nerufa::printPositionCheck(slip.offsetXText, slip.offsetYText, state, printer);
        });
    });
    return 0;
}
