#pragma once

#include <QPushButton>

// A push button whose caption wraps onto further lines when it is wider than
// the button, as desktop command buttons do ("プリンタの設定" on a narrow
// button), instead of being cut at both ends. Enter presses it while it has
// the focus.
class SlipButton : public QPushButton {
    Q_OBJECT

public:
    explicit SlipButton(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
