#pragma once

#include <QColor>
#include <QFont>
#include <QGroupBox>

// A group box whose caption has a colour and a font of its own. Setting the
// font or palette of a plain QGroupBox would pass them on to every field
// inside it; here only the caption changes.
class CaptionFrame : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(QColor captionColor READ captionColor WRITE setCaptionColor)
    Q_PROPERTY(QFont captionFont READ captionFont WRITE setCaptionFont)

public:
    explicit CaptionFrame(QWidget *parent = nullptr);

    QColor captionColor() const { return m_captionColor; }
    void setCaptionColor(const QColor &color);
    QFont captionFont() const { return m_captionFont; }
    void setCaptionFont(const QFont &font);

protected:
    void initStyleOption(QStyleOptionGroupBox *option) const override;
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_captionColor;
    QFont m_captionFont;
    bool m_hasCaptionFont = false;
};
