#include "sliprules.h"

#include "runtimeerror.h"
#include "textnum.h"

#include <algorithm>

namespace nerufa::slip {

namespace {

QString captionOf(FieldId id)
{
    return QString::fromUtf8(field(id).caption);
}

bool hasControlCharacter(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

// Characters as the window's boxes count them: one outside the basic plane
// (an emoji) counts once.
qsizetype characterCount(const QString &text)
{
    return text.toUcs4().size();
}

} // namespace

Amounts computeAmounts(const QString &quantity1, const QString &unitPrice1, const QString &quantity2,
                       const QString &unitPrice2, const QLocale &locale)
{
    namespace tn = textnum;
    const double q1 = tn::toDouble(quantity1, captionOf(FieldId::Quantity1), locale);
    const double p1 = tn::toDouble(unitPrice1, captionOf(FieldId::UnitPrice1), locale);
    const double q2 = tn::toDouble(quantity2, captionOf(FieldId::Quantity2), locale);
    const double p2 = tn::toDouble(unitPrice2, captionOf(FieldId::UnitPrice2), locale);
    const double amount1 = tn::checkedDouble(q1 * p1, captionOf(FieldId::Amount1));
    const double amount2 = tn::checkedDouble(q2 * p2, captionOf(FieldId::Amount2));
    const double total = tn::checkedDouble(q1 * p1 + q2 * p2, captionOf(FieldId::Total));
    // Written whole: the boxes' typing limits bind typing only.
    return {tn::formatGeneral(amount1, locale), tn::formatGeneral(amount2, locale), tn::formatGeneral(total, locale)};
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString looseKey(const QString &text)
{
    QString folded = text.normalized(QString::NormalizationForm_KC);
    folded.removeIf([](QChar c) { return c.isSpace(); });
    return folded;
}

std::optional<int> choiceFor(const Field &group, const QString &text)
{
    const QString key = looseKey(text);
    for (size_t i = 0; i < group.items.size(); ++i)
        if (key == looseKey(QString::fromUtf8(group.items[i])))
            return int(i + 1);
    return std::nullopt;
}

OrderSlip slipFromTexts(const FieldTexts &texts, const QDate &today)
{
    OrderSlip order;
    SlipSnapshot &s = order.slip;
    const auto complain = [&](const Field &f, const QString &what) { order.problems.append({f.id, what}); };
    bool numbers = false;

    for (const Field &f : fields()) {
        if (!f.fromCsv)
            continue;
        const QString &text = texts[size_t(f.id)];
        if (f.kind == FieldKind::Choice)
            s.*f.choice = f.initialChoice;
        if (hasControlCharacter(text)) {
            complain(f, QStringLiteral("改行や制御文字は入れられません（窓の欄と同じく 1 行の文字だけです）"));
            continue;
        }
        if (f.kind == FieldKind::Choice) {
            if (text.isEmpty())
                continue;
            if (const std::optional<int> chosen = choiceFor(f, text))
                s.*f.choice = *chosen;
            else // a long list reads better set apart from 空欄
                complain(f, QStringLiteral("「%1」は選べません（空欄%2%3）")
                                .arg(text, f.items.size() > 2 ? QStringLiteral("か ") : QStringLiteral("・"),
                                     itemTexts(f).join(QStringLiteral("・"))));
            continue;
        }
        if (f.typingLimit > 0 && characterCount(text) > f.typingLimit) {
            complain(f, QStringLiteral("%1 文字までです（%2 文字あります）").arg(f.typingLimit).arg(characterCount(text)));
            continue;
        }
        s.*f.text = text;
        if (f.kind != FieldKind::Number || text.isEmpty())
            continue;
        numbers = true;
        try {
            textnum::toDouble(text, QString::fromUtf8(f.caption));
        } catch (const RuntimeError &error) {
            complain(f, error.kind() == RuntimeError::Kind::Overflow ? QStringLiteral("「%1」は大きすぎます").arg(text)
                                                                     : QStringLiteral("「%1」は数字ではありません").arg(text));
        }
    }

    s.recipientCareOfVisible = !s.recipientCareOf.isEmpty();
    s.senderCareOfVisible = !s.senderCareOf.isEmpty();
    if (!s.desiredMonth.isEmpty() || !s.desiredDay.isEmpty()) {
        // The date lists start at today; a part left empty keeps that.
        if (s.desiredMonth.isEmpty())
            s.desiredMonth = twoDigits(today.month());
        if (s.desiredDay.isEmpty())
            s.desiredDay = twoDigits(today.day());
        s.desiredMonthVisible = s.desiredDayVisible = true;
    }
    if (numbers && order.problems.isEmpty()) {
        // The numeric area is on: boxes left empty hold the window's "0",
        // then 「合計」 is pressed.
        s.numericToggleDown = true;
        for (QString *box : {&s.quantity1, &s.unitPrice1, &s.quantity2, &s.unitPrice2})
            if (box->isEmpty())
                *box = QString::fromUtf8(field(FieldId::Quantity1).initialText);
        try {
            const Amounts amounts = computeAmounts(s.quantity1, s.unitPrice1, s.quantity2, s.unitPrice2);
            s.amount1 = amounts.amount1;
            s.amount2 = amounts.amount2;
            s.total = amounts.total;
        } catch (const RuntimeError &error) {
            complain(field(FieldId::Total), error.detail());
        }
    }
    return order;
}

} // namespace nerufa::slip
