#include "printerchoice.h"

#include "qtprinter.h"
#include "runtimeerror.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace nerufa {

QString describePrinterChoice(const PrinterChoice &choice)
{
    const QString orientation = choice.orientation == QPageLayout::Landscape ? QStringLiteral("横")
                                                                              : QStringLiteral("縦");
    switch (choice.kind) {
    case PrinterChoice::Kind::Queue:
        if (!choice.pageSize.isValid())
            return QStringLiteral("プリンタ：%1（%2）").arg(choice.target, orientation);
        return QStringLiteral("プリンタ：%1（%2・%3）").arg(choice.target, choice.pageSize.name(), orientation);
    case PrinterChoice::Kind::PdfFile:
        return QStringLiteral("PDF：%1").arg(choice.target);
    case PrinterChoice::Kind::None:
        break;
    }
    return QStringLiteral("プリンタ：なし");
}

std::unique_ptr<QPrinter> makePrinter(const PrinterChoice &choice)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    switch (choice.kind) {
    case PrinterChoice::Kind::None:
        throw RuntimeError(RuntimeError::Kind::PrinterError, QtPrinter::noPrinterMessage());
    case PrinterChoice::Kind::Queue:
        // Asked afresh each time: a queue can be deleted, or the print
        // system stopped, while the program runs.
        if (QPrinterInfo::printerInfo(choice.target).isNull()) {
            throw RuntimeError(RuntimeError::Kind::PrinterError,
                               QStringLiteral("プリンタ「%1」が見つかりません。"
                                              "プリンタが削除されたか、印刷システム（CUPS）が動いていません。"
                                              "「プリンタの設定」でプリンタを選び直してください。")
                                   .arg(choice.target));
        }
        printer->setOutputFormat(QPrinter::NativeFormat);
        printer->setPrinterName(choice.target);
        break;
    case PrinterChoice::Kind::PdfFile:
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(choice.target);
        break;
    }
    if (choice.pageSize.isValid())
        printer->setPageSize(choice.pageSize);
    printer->setPageOrientation(choice.orientation);
    // A slip is one page on one sheet.
    printer->setCopyCount(1);
    printer->setDuplex(QPrinter::DuplexNone);
    return printer;
}

} // namespace nerufa
