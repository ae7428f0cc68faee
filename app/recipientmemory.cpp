#include "recipientmemory.h"

#include "fields.h"
#include "formfields.h"
#include "historyworker.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QLineEdit>
#include <QPointer>
#include <QStandardItemModel>

using nerufa::history::Address;
using nerufa::history::HistoryStore;
using nerufa::slip::FieldId;

RecipientMemory::RecipientMemory(QWidget *form, nerufa::history::HistoryWorker &worker)
    : QObject(form), m_form(form), m_worker(worker), m_completer(new QCompleter(this)),
      m_model(new QStandardItemModel(this))
{
    setObjectName(QStringLiteral("RecipientMemory"));
    // The history has matched already: the list shows every entry found.
    m_completer->setModel(m_model);
    m_completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    m_completer->popup()->setObjectName(QStringLiteral("RecipientMemoryList"));
    connect(m_completer, qOverload<const QModelIndex &>(&QCompleter::activated), this,
            [this](const QModelIndex &index) { choose(index.row()); });
    for (const auto &[id, match] : {std::pair{FieldId::RecipientName, HistoryStore::Match::Name},
                                    std::pair{FieldId::RecipientPhone, HistoryStore::Match::Phone}}) {
        if (auto *box = qobject_cast<QLineEdit *>(formfields::controlOf(form, nerufa::slip::field(id))))
            connect(box, &QLineEdit::textEdited, this, [this, box, match = match] { lookUp(box, match); });
    }
}

void RecipientMemory::lookUp(QLineEdit *box, HistoryStore::Match match)
{
    const QString text = box->text();
    if (text.trimmed().isEmpty())
        return offer(box, text, {});
    QPointer<RecipientMemory> self(this);
    QPointer<QLineEdit> where(box);
    m_worker.post([=](HistoryStore &store) -> nerufa::history::HistoryWorker::Reply {
        const QList<Address> found = store.recipients(match, text);
        return [=] {
            if (self && where)
                self->offer(where, text, found);
        };
    });
}

void RecipientMemory::offer(QLineEdit *box, const QString &text, const QList<Address> &found)
{
    // An answer to what the box held before the latest keystroke is late.
    if (box->text() != text)
        return;
    m_offered = found;
    m_model->clear();
    for (const Address &address : found) {
        // Name, then address and telephone: 山田太郎　東京都…　03-…
        const QStringList &t = address.texts;
        QStringList parts{t.value(3), t.value(4), t.value(1) + t.value(2), t.value(5), t.value(0)};
        parts.removeAll(QString());
        m_model->appendRow(new QStandardItem(parts.join(QStringLiteral("\u3000"))));
    }
    m_completer->setWidget(box);
    if (found.isEmpty())
        m_completer->popup()->hide();
    else
        m_completer->complete();
}

void RecipientMemory::choose(int index)
{
    if (index >= 0 && index < m_offered.size())
        formfields::setAddress(m_form, nerufa::slip::Block::Recipient, m_offered[index].texts);
}
