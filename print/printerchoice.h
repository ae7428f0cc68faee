#pragma once

#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <memory>

class QPrinter;

namespace nerufa {

// Where the print jobs go, as plain data: a print queue or a PDF file, with
// the paper and orientation. The window keeps one; every job makes a new
// QPrinter from it, so nothing a dialog or a failed job did to an earlier
// printer can reach the next job.
struct PrinterChoice {
    enum class Kind { None, Queue, PdfFile };

    Kind kind = Kind::None;
    QString target;                // queue name, or the PDF file's path
    QPageSize pageSize;            // invalid: the printer's own default
    QPageLayout::Orientation orientation = QPageLayout::Portrait;

    bool operator==(const PrinterChoice &) const = default;
};

// One line for the window: 「プリンタ：slip（A4・縦）」, 「PDF：/home/…/slip.pdf」,
// or 「プリンタ：なし」.
QString describePrinterChoice(const PrinterChoice &choice);

// A new high-resolution QPrinter set up from the choice: queue or PDF file,
// paper, orientation, one copy, one side. Raises PrinterError when the
// chosen queue is not known to the print system any more, or nothing is
// chosen.
std::unique_ptr<QPrinter> makePrinter(const PrinterChoice &choice);

} // namespace nerufa
