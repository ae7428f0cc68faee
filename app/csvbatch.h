#pragma once

#include "orders.h"
#include "printerchoice.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <utility>

class QPushButton;
class QWidget;

namespace nerufa {
class PrinterSession;
namespace postal {
class PostalTable;
}
}

// Printing a CSV file of orders from the window: the 「CSV から印刷…」
// button in Frame5 and a file dropped on the window. The file is checked
// whole, the operator confirms, a progress dialog counts the slips and can
// stop between them, and a last message says how many were printed and
// which row comes next. The window's own fields are only read (offsets and
// printer), never changed.
class CsvBatch : public QObject {
    Q_OBJECT

public:
    // The offset boxes' texts, X then Y, as they stand when a batch starts.
    using OffsetTexts = std::function<std::pair<QString, QString>()>;

    // Adds the button to `frame` and takes file drops on `window`.
    CsvBatch(QWidget *window, QWidget *frame, nerufa::PrinterSession &printers, OffsetTexts offsets);

    // Reads, confirms and prints the file: what the button and a drop do.
    void printFile(const QString &path);

    // Told after each batch which slips printed: orders[first .. first +
    // printed), with the offsets and the printer they printed with.
    using Printed = std::function<void(const QString &path, const QList<nerufa::batch::Order> &orders, qsizetype first,
                                       int printed, const QString &offsetX, const QString &offsetY,
                                       const nerufa::PrinterChoice &choice)>;
    void onPrinted(Printed printed) { m_printed = std::move(printed); }

    static QString buttonCaption();

    // Where the confirmation finds the postal table to check the orders'
    // codes and addresses against; no check without one.
    using PostalTableSource = std::function<std::shared_ptr<const nerufa::postal::PostalTable>()>;
    void setPostalTable(PostalTableSource source) { m_postalTable = std::move(source); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void chooseFile();
    void run(const QString &path);

    QWidget *m_window;
    nerufa::PrinterSession &m_printers;
    OffsetTexts m_offsets;
    PostalTableSource m_postalTable;
    QPushButton *m_button;
    // Where the last batch stopped, so that printing the same file again
    // goes on from there instead of printing slips twice.
    Printed m_printed;
    QString m_stoppedPath;
    QDateTime m_stoppedFileTime;
    int m_stoppedNextRow = 0;
};
