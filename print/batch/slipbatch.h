#pragma once

#include "orders.h"
#include "printer.h"
#include "printerchoice.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QPrinter;

namespace nerufa {
class PdfBook;
class QtPrinter;
}

namespace nerufa::batch {

// Where a batch's slips go.
class SlipOutput {
public:
    virtual ~SlipOutput() = default;
    // The printer for the next slip. Raises PrinterError when there is none.
    virtual Printer &printerForNextSlip() = 0;
    // Hands on whatever is still kept back (a PDF file is put in place
    // here). Raises PrinterError.
    virtual void finish() = 0;
    // Of the first `ended` slips, whose pages were ended without a fault,
    // how many have reached the printer or the file for good.
    virtual int delivered(int ended) const = 0;
};

// A print queue: each slip is its own job on a new printer, as 「印刷」 does,
// and counts as delivered once the queue has taken it.
class QueueOutput final : public SlipOutput {
public:
    explicit QueueOutput(const PrinterChoice &choice);
    ~QueueOutput() override;
    Printer &printerForNextSlip() override;
    void finish() override {}
    int delivered(int ended) const override { return ended; }

private:
    PrinterChoice m_choice;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QtPrinter> m_slipPrinter;
};

// One PDF file, one page per slip. The file appears only when the batch
// finishes; the slips count as delivered from then on.
class PdfFileOutput final : public SlipOutput {
public:
    explicit PdfFileOutput(const PrinterChoice &choice);
    ~PdfFileOutput() override;
    Printer &printerForNextSlip() override;
    void finish() override;
    int delivered(int ended) const override { return m_finished ? ended : 0; }

private:
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<PdfBook> m_book;
    std::unique_ptr<QtPrinter> m_slipPrinter;
    bool m_finished = false;
};

// The output a printer choice asks for: a queue or one PDF file.
std::unique_ptr<SlipOutput> outputFor(const PrinterChoice &choice);

struct BatchResult {
    int printed = 0;      // slips delivered
    int nextRow = 0;      // data row to go on from; 0 when every slip is done
    bool stopped = false; // the operator stopped between slips
    QString error;        // what stopped the batch, when something did
};

// Called before each slip with the number done so far and the order that
// comes next; returns false to stop there.
using BeforeSlip = std::function<bool(int done, const Order &next)>;

// Prints orders[first..] one after another with the offset texts given, the
// same slip job as 「印刷」. A printer fault stops the batch: the slip that
// failed is dropped whole, and the result tells which row comes next.
BatchResult runBatch(const QList<Order> &orders, qsizetype first, const QString &offsetXText,
                     const QString &offsetYText, SlipOutput &output, const BeforeSlip &beforeSlip = {});

// "3 枚印刷しました。" plus, when rows are left, "次は 4 件目からです。".
QString resultSentence(const BatchResult &result);

// The offsets as the program reads them at start, from the two files in
// `programDir`, without creating or changing them: a missing or unusable
// file gives 0 and a warning.
struct OffsetTexts {
    QString x;
    QString y;
    QStringList warnings;
};
OffsetTexts readOffsetTexts(const QString &programDir);

} // namespace nerufa::batch
