#pragma once

#include <QWidget>

class QFocusFrame;
class QToolButton;

// A pair of arrow buttons holding a whole number within a range.
// The up arrow (right arrow when horizontal) steps the value towards
// `maximum`, the other arrow towards `minimum`. The two ends may be given
// reversed (minimum greater than maximum): the arrows then move the value
// the other way. Held arrows repeat. valueChanged is raised on every change.
// While it has the keyboard focus a focus frame surrounds both arrows.
class UpDown : public QWidget {
    Q_OBJECT
    Q_PROPERTY(Qt::Orientation orientation READ orientation WRITE setOrientation)
    Q_PROPERTY(int minimum READ minimum WRITE setMinimum)
    Q_PROPERTY(int maximum READ maximum WRITE setMaximum)
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY valueChanged)

public:
    explicit UpDown(QWidget *parent = nullptr);

    Qt::Orientation orientation() const { return m_orientation; }
    void setOrientation(Qt::Orientation orientation);
    int minimum() const { return m_minimum; }
    void setMinimum(int minimum);
    int maximum() const { return m_maximum; }
    void setMaximum(int maximum);
    int value() const { return m_value; }

    // The value the range allows that is nearest to `value`.
    int bounded(int value) const;

    // The arrow that steps towards `maximum` and the one towards `minimum`.
    QToolButton *towardsMaximumButton() const { return m_towardsMax; }
    QToolButton *towardsMinimumButton() const { return m_towardsMin; }

public slots:
    void setValue(int value);
    void stepTowardsMaximum();
    void stepTowardsMinimum();

signals:
    void valueChanged(int value);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutButtons();

    Qt::Orientation m_orientation = Qt::Vertical;
    int m_minimum = 0;
    int m_maximum = 0;
    int m_value = 0;
    QToolButton *m_towardsMax;
    QToolButton *m_towardsMin;
    QFocusFrame *m_focusFrame;
};
