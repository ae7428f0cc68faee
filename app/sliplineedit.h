#pragma once

#include <QLineEdit>

// The window's text box. Two settings beyond QLineEdit:
// - imeDisabled: the input method stays off while the field has focus, so
//   only direct characters (digits, letters, signs) can be typed. Qt's
//   WA_InputMethodEnabled attribute alone does not do that for a line edit;
//   answering ImEnabled with false does.
// - typingLimit: how many characters the operator can type (0 = no limit).
//   Unlike QLineEdit::maxLength it binds typing only: text set by the
//   program (a computed total, an exchanged address) is never cut.
class SlipLineEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(bool imeDisabled READ imeDisabled WRITE setImeDisabled)
    Q_PROPERTY(int typingLimit READ typingLimit WRITE setTypingLimit)

public:
    explicit SlipLineEdit(QWidget *parent = nullptr);

    bool imeDisabled() const { return m_imeDisabled; }
    void setImeDisabled(bool disabled);

    int typingLimit() const { return m_typingLimit; }
    void setTypingLimit(int limit);

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

protected:
    bool event(QEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    friend class TypingLimitValidator;
    bool m_imeDisabled = false;
    int m_typingLimit = 0;
    int m_acceptedLength = 0; // length of the text before the current edit
    bool m_operatorEditing = false; // inside a key, input-method or drop event
};
