#include "printerchoice.h"

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

QString noPrinterMessage()
{
    return QStringLiteral("プリンタが選ばれていません。"
                          "「プリンタの設定」でプリンタまたはPDFファイルを選んでください。");
}

} // namespace nerufa
