#pragma once

#include "historystore.h"

#include <QList>
#include <QObject>

class QCompleter;
class QLineEdit;
class QStandardItemModel;
class QWidget;
namespace nerufa::history {
class HistoryWorker;
}

// Earlier recipients offered while the operator types a recipient's name
// or telephone: a list under the box (not a dialog; typing goes on), whose
// entries hold the name, address and telephone. Choosing one fills the
// whole recipient block.
class RecipientMemory : public QObject {
    Q_OBJECT

public:
    RecipientMemory(QWidget *form, nerufa::history::HistoryWorker &worker);

    // The list that shows the recipients offered.
    QCompleter *completer() const { return m_completer; }
    void choose(int index);

private:
    void lookUp(QLineEdit *box, nerufa::history::HistoryStore::Match match);
    void offer(QLineEdit *box, const QString &text, const QList<nerufa::history::Address> &found);

    QWidget *m_form;
    nerufa::history::HistoryWorker &m_worker;
    QCompleter *m_completer;
    QStandardItemModel *m_model;
    QList<nerufa::history::Address> m_offered;
};
