#include "slipcombobox.h"

#include "sliplineedit.h"

#include <QAbstractItemView>
#include <QScrollBar>

SlipComboBox::SlipComboBox(QWidget *parent) : QComboBox(parent), m_edit(new SlipLineEdit(this))
{
    // Giving the box its line edit makes it editable; setEditable(true)
    // first would make a plain line edit only to throw it away.
    setLineEdit(m_edit);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
}

bool SlipComboBox::imeDisabled() const
{
    return m_edit->imeDisabled();
}

void SlipComboBox::setImeDisabled(bool disabled)
{
    m_edit->setImeDisabled(disabled);
    setAttribute(Qt::WA_InputMethodEnabled, !disabled);
}

void SlipComboBox::showPopup()
{
    // Qt makes the list as wide as the box. Its minimum width makes room for
    // the widest item, the list's frame and, when not every item fits the
    // pop-up's height, the scroll bar. A wider box keeps its own width.
    QAbstractItemView *list = view();
    int needed = list->sizeHintForColumn(0) + 2 * list->frameWidth();
    if (count() > maxVisibleItems())
        needed += list->verticalScrollBar()->sizeHint().width();
    list->setMinimumWidth(needed);
    QComboBox::showPopup();
}
