#include "slipbatch.h"

#include "offsetfiles.h"
#include "pdfbook.h"
#include "printjobs.h"
#include "qtprinter.h"
#include "runtimeerror.h"

#include <QPrinter>

namespace nerufa::batch {

QueueOutput::QueueOutput(const PrinterChoice &choice) : m_choice(choice) {}

QueueOutput::~QueueOutput() = default;

Printer &QueueOutput::printerForNextSlip()
{
    // A new printer for every slip, as for 「印刷」: one that failed once is
    // never reused.
    m_slipPrinter.reset();
    m_printer = makePrinter(m_choice);
    m_slipPrinter = std::make_unique<QtPrinter>(*m_printer);
    return *m_slipPrinter;
}

PdfFileOutput::PdfFileOutput(const PrinterChoice &choice)
    : m_printer(makePrinter(choice)), m_book(std::make_unique<PdfBook>(choice.target))
{
}

PdfFileOutput::~PdfFileOutput() = default;

Printer &PdfFileOutput::printerForNextSlip()
{
    if (!m_slipPrinter) {
        m_slipPrinter = std::make_unique<QtPrinter>(*m_printer);
        m_slipPrinter->setBook(m_book.get());
    }
    return *m_slipPrinter;
}

void PdfFileOutput::finish()
{
    m_book->finish();
    m_finished = true;
}

std::unique_ptr<SlipOutput> outputFor(const PrinterChoice &choice)
{
    if (choice.kind == PrinterChoice::Kind::PdfFile)
        return std::make_unique<PdfFileOutput>(choice);
    return std::make_unique<QueueOutput>(choice);
}

BatchResult runBatch(const QList<Order> &orders, qsizetype first, const QString &offsetXText,
                     const QString &offsetYText, SlipOutput &output, const BeforeSlip &beforeSlip)
{
    BatchResult result;
    JobState state;
    int ended = 0;
    for (qsizetype i = first; i < orders.size(); ++i) {
        if (beforeSlip && !beforeSlip(int(i - first), orders[i])) {
            result.stopped = true;
            break;
        }
        SlipSnapshot slip = orders[i].slip;
        slip.offsetXText = offsetXText;
        slip.offsetYText = offsetYText;
        try {
            printSlip(slip, state, output.printerForNextSlip());
            ++ended;
        } catch (const RuntimeError &error) {
            result.error = error.message();
            break;
        }
    }
    try {
        output.finish();
    } catch (const RuntimeError &error) {
        result.error = result.error.isEmpty() ? error.message() : result.error + QLatin1Char('\n') + error.message();
    }
    result.printed = output.delivered(ended);
    const qsizetype next = first + result.printed;
    result.nextRow = next < orders.size() ? orders[next].row : 0;
    return result;
}

QString resultSentence(const BatchResult &result)
{
    QString sentence = QStringLiteral("%1 枚印刷しました。").arg(result.printed);
    if (result.nextRow > 0)
        sentence += QStringLiteral("次は %1 件目からです。").arg(result.nextRow);
    return sentence;
}

OffsetTexts readOffsetTexts(const QString &programDir)
{
    // The start-up reading rule; nothing is written.
    const offsets::LoadedOffsets loaded = offsets::readOffsets(offsets::OffsetPaths::in(programDir));
    return {QString::number(loaded.x), QString::number(loaded.y), loaded.warnings};
}

} // namespace nerufa::batch
