#pragma once

#include <QLineEdit>
#include <functional>

// The window's text box. Two settings beyond QLineEdit:
// - imeDisabled: the input method stays off while the field has focus, so
//   only direct characters (digits, letters, signs) can be typed. Qt's
//   WA_InputMethodEnabled attribute alone does not do that for a line edit;
//   answering ImEnabled with false does.
// - typingLimit: how many characters the operator can put in (0 = no
//   limit), by typing, pasting, dropping or an input method. Unlike
//   QLineEdit::maxLength it counts characters, not UTF-16 units, never keeps
//   half of one, and binds the operator only: text set by the program (a
//   computed total, an exchanged address) is never cut.
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
    // What an edit that would take the text past the typing limit becomes
    // instead (a postal code typed or pasted with its hyphen), or an empty
    // text for the usual cut. None by default.
    void setOverLimitRewrite(std::function<QString(const QString &)> rewrite) { m_overLimitRewrite = std::move(rewrite); }

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

protected:
    void inputMethodEvent(QInputMethodEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    friend class TypingLimitValidator;
    bool m_imeDisabled = false;
    int m_typingLimit = 0;
    std::function<QString(const QString &)> m_overLimitRewrite;
    QString m_acceptedText; // the text before the current edit
};
