#include "slipbutton.h"

#include "legibility.h"

#include <QFontMetricsF>
#include <QStyleOptionButton>
#include <QStylePainter>

SlipButton::SlipButton(QWidget *parent) : QPushButton(parent)
{
    // Enter presses the focused button, as Space does. Qt does that only for
    // auto-default buttons, which outside a dialog it never makes by itself.
    setAutoDefault(true);
}

void SlipButton::paintEvent(QPaintEvent *event)
{
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect textArea = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    if (legibility::surelyFits(QFontMetricsF(font(), this), text(), textArea.width())
        || fontMetrics().horizontalAdvance(text()) <= textArea.width()) {
        QPushButton::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(textArea, Qt::AlignCenter | Qt::TextWordWrap, text());
}
