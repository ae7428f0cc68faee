#pragma once

#include <QProxyStyle>

// The window's style: Fusion, with a narrower drop-down arrow so that the
// small fixed combo boxes (the desired month and day are 34 pixels wide)
// still show two digits.
class SlipStyle : public QProxyStyle {
    Q_OBJECT

public:
    SlipStyle();

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl sub,
                         const QWidget *widget) const override;
};
