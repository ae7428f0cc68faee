#pragma once

#include "historystore.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTableView;
namespace nerufa {
class PrinterSession;
}
namespace nerufa::history {
class HistoryWorker;
}

// 「履歴」: the slips printed, newest first, found as the operator types a
// part of a recipient's name, address, telephone or postal code, within a
// date range. A slip can be put back into the window, printed again as it
// was, and the slips found written as a CSV file the batch prints again.
// Keys: arrows move, Enter puts the slip into the window, Ctrl+F goes to
// the search box.
class HistoryWindow : public QDialog {
    Q_OBJECT

public:
    using SlipAction = std::function<void(const nerufa::SlipSnapshot &)>;
    // `load` puts a slip into the main window, `print` prints it again.
    HistoryWindow(QWidget *parent, nerufa::history::HistoryWorker &worker, nerufa::PrinterSession &printers,
                  SlipAction load, SlipAction print);

    // Looks up the slips for what the search box and the range say now.
    void search();
    // The slips listed, as the table shows them.
    const QList<nerufa::history::PrintedSlip> &listed() const { return m_listed; }
    // The slip of the selected row, if any.
    const nerufa::history::PrintedSlip *selected() const;
    void loadSelected();
    void reprintSelected();
    // Writes every slip the search and range find (not only those listed)
    // to `path` and says how many.
    void exportTo(const QString &path);

    static constexpr int kMostListed = 500;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    nerufa::history::SlipQuery query(int limit) const;
    void list(const QList<nerufa::history::PrintedSlip> &slips);
    void chooseExportFile();

    nerufa::history::HistoryWorker &m_worker;
    nerufa::PrinterSession &m_printers;
    SlipAction m_load;
    SlipAction m_print;
    QLineEdit *m_search;
    QCheckBox *m_period;
    QDateEdit *m_since;
    QDateEdit *m_until;
    QTableView *m_table;
    QStandardItemModel *m_model;
    QLabel *m_status;
    QList<nerufa::history::PrintedSlip> m_listed;
    int m_searches = 0; // the latest search; older answers are dropped
};
