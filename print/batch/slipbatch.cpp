#include "slipbatch.h"

#include "offsetfiles.h"
#include "pdfbook.h"
#include "printjobs.h"
#include "qtprinter.h"
#include "runtimeerror.h"

#include <QFileInfo>
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
    namespace off = offsets;
    const off::OffsetPaths paths = off::OffsetPaths::in(programDir);
    OffsetTexts texts;
    const auto read = [&](const QString &path) {
        // The start-up rule, but a missing file is not created: it reads as
        // the empty file start-up would make, 0, with a word about it.
        if (!QFileInfo::exists(path)) {
            texts.warnings << QStringLiteral("%1 がないため、ズレを 0 として印刷します。").arg(path);
            return QStringLiteral("0");
        }
        try {
            return QString::number(off::clampToSpinner(off::readOffsetFile(path)));
        } catch (const RuntimeError &error) {
            texts.warnings << error.detail() + QStringLiteral("ズレを 0 として印刷します。");
            return QStringLiteral("0");
        }
    };
    texts.x = read(paths.x);
    texts.y = read(paths.y);
    return texts;
}

} // namespace nerufa::batch
