#include "sliplineedit.h"

#include <QInputMethodEvent>
#include <QValidator>

// Keeps typed text within the field's typing limit. QLineEdit runs its
// validator on every change, setText included, so the limit applies only
// while the field handles the operator's keys, input-method commits and
// drops. An edit may make the text longer only up to the limit; a text that
// was already longer (set by the program) may still be shortened.
class TypingLimitValidator : public QValidator {
public:
    explicit TypingLimitValidator(SlipLineEdit *edit) : QValidator(edit), m_edit(edit) {}

    State validate(QString &input, int &pos) const override
    {
        const int limit = m_edit->m_typingLimit;
        if (limit <= 0 || !m_edit->m_operatorEditing)
            return Acceptable;
        const int allowed = std::max(limit, m_edit->m_acceptedLength);
        const int excess = int(input.size()) - allowed;
        if (excess <= 0)
            return Acceptable;
        // Drop the part of the insertion that does not fit, as a length
        // limit does with a paste; the inserted text ends at the cursor.
        if (pos < excess)
            return Invalid;
        input.remove(pos - excess, excess);
        pos -= excess;
        return Acceptable;
    }

private:
    SlipLineEdit *m_edit;
};

SlipLineEdit::SlipLineEdit(QWidget *parent) : QLineEdit(parent)
{
    setValidator(new TypingLimitValidator(this));
    connect(this, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_acceptedLength = int(text.size()); });
}

void SlipLineEdit::setImeDisabled(bool disabled)
{
    m_imeDisabled = disabled;
    setAttribute(Qt::WA_InputMethodEnabled, !disabled);
}

void SlipLineEdit::setTypingLimit(int limit)
{
    m_typingLimit = limit;
}

QVariant SlipLineEdit::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (m_imeDisabled && query == Qt::ImEnabled)
        return false;
    return QLineEdit::inputMethodQuery(query);
}

bool SlipLineEdit::event(QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::InputMethod && type != QEvent::Drop)
        return QLineEdit::event(event);
    const bool outer = m_operatorEditing;
    m_operatorEditing = true;
    const bool handled = QLineEdit::event(event);
    m_operatorEditing = outer;
    return handled;
}

void SlipLineEdit::inputMethodEvent(QInputMethodEvent *event)
{
    // An input method that ignores ImEnabled must still not write here.
    if (m_imeDisabled) {
        event->ignore();
        return;
    }
    QLineEdit::inputMethodEvent(event);
}
