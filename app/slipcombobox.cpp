#include "slipcombobox.h"

#include "sliplineedit.h"

SlipComboBox::SlipComboBox(QWidget *parent) : QComboBox(parent), m_edit(new SlipLineEdit(this))
{
    setEditable(true);
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
