#include "slipstyle.h"

#include <QStyleFactory>
#include <QStyleOptionComplex>

namespace {
constexpr int kArrowWidth = 13;
constexpr int kFrame = 2;
} // namespace

SlipStyle::SlipStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

QRect SlipStyle::subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl sub,
                                const QWidget *widget) const
{
    if (control != CC_ComboBox)
        return QProxyStyle::subControlRect(control, option, sub, widget);
    const QRect r = option->rect;
    QRect result;
    switch (sub) {
    case SC_ComboBoxArrow:
        result = QRect(r.right() - kArrowWidth, r.top(), kArrowWidth + 1, r.height());
        break;
    case SC_ComboBoxEditField:
        result = QRect(r.left() + kFrame, r.top() + kFrame, r.width() - kArrowWidth - 2 * kFrame,
                       r.height() - 2 * kFrame);
        break;
    default:
        return QProxyStyle::subControlRect(control, option, sub, widget);
    }
    return visualRect(option->direction, r, result);
}
