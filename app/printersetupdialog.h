#pragma once

#include "cupsqueues.h"
#include "printerchoice.h"

#include <QDialog>
#include <QList>
#include <QPageSize>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

// 「プリンタの設定」: the printer (every print queue, or a PDF file), its
// paper and the orientation. Nothing else: a slip is one page on one sheet,
// so there are no copies, page ranges or sides. The dialog only edits its
// own copy of the choice; the caller reads choice() after OK, and
// キャンセル, Escape or the close box leave the caller's choice untouched.
class PrinterSetupDialog : public QDialog {
    Q_OBJECT

public:
    // `queues`: every print queue with its paper, as the print system gave
    // them before the dialog opened (the dialog itself never waits for it).
    PrinterSetupDialog(const nerufa::PrinterChoice &current, const QList<nerufa::cupsqueues::Queue> &queues,
                       QWidget *parent = nullptr);

    nerufa::PrinterChoice choice() const;

    void accept() override;

private:
    bool pdfSelected() const;
    void targetChanged();
    void choosePdfFile();

    QListWidget *m_printers;
    QLineEdit *m_pdfPath;
    QPushButton *m_browse;
    QComboBox *m_paper;
    QRadioButton *m_portrait;
    QRadioButton *m_landscape;
    QList<nerufa::cupsqueues::Queue> m_queues;
    QList<QPageSize> m_sizes; // what m_paper lists, in its order
    QPageSize m_wantedSize;   // kept across changes of the printer
};
