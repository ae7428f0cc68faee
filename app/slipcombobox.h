#pragma once

#include <QComboBox>

class SlipLineEdit;

// The window's editable combo box: the operator may type any text or pick an
// item, and the edit text is the field's value. Typed text is never added to
// the list and never completed from it. imeDisabled works as for SlipLineEdit.
// The pop-up list is at least as wide as its widest item needs, so that the
// narrow month and day boxes show "01" and not "…".
class SlipComboBox : public QComboBox {
    Q_OBJECT
    Q_PROPERTY(bool imeDisabled READ imeDisabled WRITE setImeDisabled)

public:
    explicit SlipComboBox(QWidget *parent = nullptr);

    bool imeDisabled() const;
    void setImeDisabled(bool disabled);

    void showPopup() override;

private:
    SlipLineEdit *m_edit;
};
