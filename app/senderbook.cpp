#include "senderbook.h"

#include "fields.h"
#include "formfields.h"
#include "historyworker.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QMenu>
#include <QPointer>

using nerufa::history::Address;
using nerufa::history::HistoryStore;
using nerufa::slip::Block;

SenderBook::SenderBook(QWidget *form, nerufa::history::HistoryWorker &worker)
    : QObject(form), m_form(form), m_worker(worker)
{
    setObjectName(QStringLiteral("SenderBook"));
    for (const nerufa::slip::Field &field : nerufa::slip::fields()) {
        auto *combo = field.block == Block::Sender ? qobject_cast<QComboBox *>(formfields::controlOf(form, field)) : nullptr;
        if (!combo)
            continue;
        m_combos << combo;
        connect(combo, &QComboBox::activated, this, &SenderBook::choose);
        combo->view()->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(combo->view(), &QWidget::customContextMenuRequested, this,
                [this, combo](const QPoint &at) { showMenu(combo, at); });
    }
}

std::function<void(const nerufa::history::HistoryError &)> SenderBook::reportProblem()
{
    return [self = QPointer(this)](const nerufa::history::HistoryError &error) {
        if (self)
            emit self->problem(error.message());
    };
}

void SenderBook::load()
{
    QPointer<SenderBook> self(this);
    m_worker.post([self](HistoryStore &store) -> nerufa::history::HistoryWorker::Reply {
        const QList<Address> senders = store.senders();
        return [self, senders] {
            if (self)
                self->fill(senders);
        };
    }, reportProblem());
}

void SenderBook::fill(const QList<Address> &senders)
{
    m_senders = senders;
    for (int line = 0; line < m_combos.size(); ++line) {
        QComboBox *combo = m_combos[line];
        // The operator's text stays; only the list changes.
        const QString typed = combo->currentText();
        combo->clear();
        for (int i = 0; i < senders.size(); ++i) {
            combo->addItem(senders[i].texts.value(line));
            QStringList whole = senders[i].texts;
            whole.removeAll(QString());
            combo->setItemData(i, whole.join(QStringLiteral("\u3000")), Qt::ToolTipRole);
            if (senders[i].pinned) {
                QFont bold = combo->font();
                bold.setBold(true);
                combo->setItemData(i, bold, Qt::FontRole);
            }
        }
        combo->setEditText(typed);
    }
    if (!m_filledOnce) {
        m_filledOnce = true;
        const bool empty = std::all_of(m_combos.begin(), m_combos.end(), [](QComboBox *c) { return c->currentText().isEmpty(); });
        if (empty && !senders.isEmpty() && senders.first().pinned)
            choose(0);
    }
    emit loaded();
}

void SenderBook::choose(int index)
{
    if (index >= 0 && index < m_senders.size())
        formfields::setAddress(m_form, Block::Sender, m_senders[index].texts);
}

void SenderBook::pin(int index, bool pinned)
{
    const QString key = m_senders.value(index).key;
    m_worker.post([key, pinned](HistoryStore &store) -> nerufa::history::HistoryWorker::Reply {
        store.pinSender(key, pinned);
        return {};
    }, reportProblem());
    load();
}

void SenderBook::remove(int index)
{
    const QString key = m_senders.value(index).key;
    m_worker.post([key](HistoryStore &store) -> nerufa::history::HistoryWorker::Reply {
        store.removeSender(key);
        return {};
    }, reportProblem());
    load();
}

void SenderBook::showMenu(QComboBox *combo, const QPoint &at)
{
    const int index = combo->view()->indexAt(at).row();
    if (index < 0 || index >= m_senders.size())
        return;
    QMenu menu(combo->view());
    QAction *pinned = menu.addAction(QStringLiteral("起動時にこのご依頼主を入れる"));
    pinned->setCheckable(true);
    pinned->setChecked(m_senders[index].pinned);
    QAction *removed = menu.addAction(QStringLiteral("一覧から外す"));
    QAction *chosen = menu.exec(combo->view()->viewport()->mapToGlobal(at));
    if (chosen == pinned)
        pin(index, pinned->isChecked());
    else if (chosen == removed)
        remove(index);
}
