#include "captionframe.h"

#include <QStyleOptionGroupBox>
#include <QStylePainter>

CaptionFrame::CaptionFrame(QWidget *parent) : QGroupBox(parent) {}

void CaptionFrame::setCaptionColor(const QColor &color)
{
    m_captionColor = color;
    update();
}

void CaptionFrame::setCaptionFont(const QFont &font)
{
    m_captionFont = font;
    m_hasCaptionFont = true;
    update();
}

void CaptionFrame::initStyleOption(QStyleOptionGroupBox *option) const
{
    QGroupBox::initStyleOption(option);
    if (m_hasCaptionFont)
        option->fontMetrics = QFontMetrics(m_captionFont);
    if (m_captionColor.isValid()) {
        option->textColor = m_captionColor;
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            option->palette.setColor(group, QPalette::WindowText, m_captionColor);
            option->palette.setColor(group, QPalette::ButtonText, m_captionColor);
        }
    }
}

void CaptionFrame::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    if (m_hasCaptionFont)
        painter.setFont(m_captionFont);
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_GroupBox, option);
}
