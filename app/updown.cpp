#include "updown.h"

#include <QFocusFrame>
#include <QKeyEvent>
#include <QToolButton>
#include <algorithm>

namespace {

QToolButton *makeArrow(QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setAutoRepeat(true);
    button->setAutoRepeatDelay(400);
    button->setAutoRepeatInterval(60);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

UpDown::UpDown(QWidget *parent)
    : QWidget(parent), m_towardsMax(makeArrow(this)), m_towardsMin(makeArrow(this)),
      m_focusFrame(new QFocusFrame(this))
{
    setFocusPolicy(Qt::StrongFocus);
    m_focusFrame->hide();
    connect(m_towardsMax, &QToolButton::clicked, this, &UpDown::stepTowardsMaximum);
    connect(m_towardsMin, &QToolButton::clicked, this, &UpDown::stepTowardsMinimum);
    layoutButtons();
}

void UpDown::setOrientation(Qt::Orientation orientation)
{
    m_orientation = orientation;
    layoutButtons();
}

void UpDown::setMinimum(int minimum)
{
    m_minimum = minimum;
    setValue(m_value);
}

void UpDown::setMaximum(int maximum)
{
    m_maximum = maximum;
    setValue(m_value);
}

int UpDown::bounded(int value) const
{
    return std::clamp(value, std::min(m_minimum, m_maximum), std::max(m_minimum, m_maximum));
}

void UpDown::setValue(int value)
{
    value = bounded(value);
    if (value == m_value)
        return;
    m_value = value;
    emit valueChanged(m_value);
}

void UpDown::stepTowardsMaximum()
{
    if (m_value != m_maximum)
        setValue(m_value + (m_maximum > m_minimum ? 1 : -1));
}

void UpDown::stepTowardsMinimum()
{
    if (m_value != m_minimum)
        setValue(m_value + (m_maximum > m_minimum ? -1 : 1));
}

// The arrows cover the whole control and take no focus themselves, so the
// focus is shown by a frame drawn around the control (on its parent).
void UpDown::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    m_focusFrame->setWidget(this);
}

void UpDown::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    m_focusFrame->setWidget(nullptr);
}

void UpDown::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Right:
        stepTowardsMaximum();
        return;
    case Qt::Key_Down:
    case Qt::Key_Left:
        stepTowardsMinimum();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void UpDown::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutButtons();
}

void UpDown::layoutButtons()
{
    const int w = width();
    const int h = height();
    if (m_orientation == Qt::Horizontal) {
        m_towardsMin->setArrowType(Qt::LeftArrow);
        m_towardsMax->setArrowType(Qt::RightArrow);
        m_towardsMin->setGeometry(0, 0, w / 2, h);
        m_towardsMax->setGeometry(w / 2, 0, w - w / 2, h);
    } else {
        m_towardsMax->setArrowType(Qt::UpArrow);
        m_towardsMin->setArrowType(Qt::DownArrow);
        m_towardsMax->setGeometry(0, 0, w, h / 2);
        m_towardsMin->setGeometry(0, h / 2, w, h - h / 2);
    }
}
