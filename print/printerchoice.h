#pragma once

#include <QPageLayout>
#include <QPageSize>
#include <QString>

namespace nerufa {

// Where the print jobs go, as plain data: a print queue or a PDF file, with
// the paper and orientation. The printer session keeps the current one;
// every job is laid out on a new QPrinter made from it (pagedestination.h).
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

// The message when no printer and no PDF file is chosen.
QString noPrinterMessage();

} // namespace nerufa
