#pragma once

#include "historystore.h"

#include <QList>
#include <QObject>
#include <functional>

class QComboBox;
class QWidget;
namespace nerufa::history {
class HistoryError;
class HistoryWorker;
}

// The sender block's six lists, filled from the senders in the history:
// item i of every list is sender i (most used first, at most 20). Choosing
// an item of any list fills all six fields with that sender, its care-of
// line shown when it had one. Each list's items have a context menu: pin
// the sender (filled in at start while the block is empty) or take it off
// the list. Without a history the lists stay empty.
class SenderBook : public QObject {
    Q_OBJECT

public:
    SenderBook(QWidget *form, nerufa::history::HistoryWorker &worker);

    // Reads the senders again and fills the lists. The first time, the
    // pinned sender is filled in when the block is still empty.
    void load();
    const QList<nerufa::history::Address> &senders() const { return m_senders; }
    void choose(int index);
    void pin(int index, bool pinned);
    void remove(int index);

signals:
    // The lists were filled (a test or a benchmark waits for it).
    void loaded();
    // The history could not be read or written.
    void problem(const QString &message);

private:
    void fill(const QList<nerufa::history::Address> &senders);
    void showMenu(QComboBox *combo, const QPoint &at);
    std::function<void(const nerufa::history::HistoryError &)> reportProblem();

    QWidget *m_form;
    nerufa::history::HistoryWorker &m_worker;
    QList<QComboBox *> m_combos;
    QList<nerufa::history::Address> m_senders;
    bool m_filledOnce = false;
};
