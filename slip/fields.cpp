#include "fields.h"

#include <array>

namespace nerufa::slip {

namespace {

using S = SlipSnapshot;
using F = FieldId;
using K = FieldKind;
using B = Block;
using I = InputMode;

constexpr const char *kGoods[] = {"", "衣類", "雑貨", "精密機械", "電化製品", "食品",
                                  "生物", "お菓子", "書類", "本", "食器", "割れ物"};
constexpr const char *kDays[] = {"01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11",
                                 "12", "13", "14", "15", "16", "17", "18", "19", "20", "21", "22",
                                 "23", "24", "25", "26", "27", "28", "29", "30", "31"};
constexpr std::span<const char *const> kMonths = std::span(kDays).first(12);
// Captions of the time slots in the window's order; the last, chosen at
// start, asks for no time.
constexpr const char *kTimeSlots[] = {"午前  ９時～１２時頃", "午後１２時～１４時頃", "午後１４時～１７時頃",
                                      "夕方１７時～１９時頃", "夜間１９時～２１時頃", "希望なし"};
constexpr const char *kNotification[] = {"必要", "不要"};

constexpr std::array<Field, kFieldCount> kFields = {{
    {F::RecipientPostal, "T_1_Yuubin", "お届け先郵便番号", K::Text, B::Recipient, 7, I::Off, {}, &S::recipientPostal},
    {F::RecipientAddress1, "T_2_Jyuusyo", "お届け先住所1", K::Text, B::Recipient, 0, I::Hiragana, {}, &S::recipientAddress1},
    {F::RecipientAddress2, "T_3_Jyuusyo", "お届け先住所2", K::Text, B::Recipient, 0, I::Hiragana, {}, &S::recipientAddress2},
    {F::RecipientName, "T_4_Namae", "お届け先名前", K::Text, B::Recipient, 0, I::Hiragana, {}, &S::recipientName},
    {F::RecipientCareOf, "T_5_Samakata", "お届け先様方", K::Text, B::Recipient, 0, I::Hiragana, {}, &S::recipientCareOf,
     nullptr, Shown::WhileVisible, &S::recipientCareOfVisible, "C_1_Samakata"},
    {F::RecipientPhone, "T_6_Denwaba", "お届け先電話番号", K::Text, B::Recipient, 0, I::Off, {}, &S::recipientPhone},

    {F::SenderPostal, "iraiYuubin", "ご依頼主郵便番号", K::Text, B::Sender, 0, I::Off, {}, &S::senderPostal},
    {F::SenderAddress1, "iraiJyuusyo1", "ご依頼主住所1", K::Text, B::Sender, 0, I::Hiragana, {}, &S::senderAddress1},
    {F::SenderAddress2, "iraiJyuusyo2", "ご依頼主住所2", K::Text, B::Sender, 0, I::Hiragana, {}, &S::senderAddress2},
    {F::SenderName, "iraiNamae", "ご依頼主名前", K::Text, B::Sender, 0, I::Hiragana, {}, &S::senderName},
    {F::SenderCareOf, "iraiSamakata", "ご依頼主様方", K::Text, B::Sender, 0, I::Hiragana, {}, &S::senderCareOf,
     nullptr, Shown::WhileVisible, &S::senderCareOfVisible, "C_2_Samakata"},
    {F::SenderPhone, "iraiDenwa", "ご依頼主電話番号", K::Text, B::Sender, 0, I::Off, {}, &S::senderPhone},

    {F::Goods1, "c_Hinmei", "品名1", K::Text, B::Goods, 0, I::Unset, kGoods, &S::goods1},
    {F::Goods2, "c_Hinmei2", "品名2", K::Text, B::Goods, 0, I::Unset, kGoods, &S::goods2},
    {F::ProductNumber1, "SyouhinBangouBox1", "商品番号1", K::Text, B::Goods, 0, I::Unset, {}, &S::productNumber1},
    {F::ProductNumber2, "SyouhinBangouBox2", "商品番号2", K::Text, B::Goods, 0, I::Unset, {}, &S::productNumber2},

    {F::Quantity1, "SuuryouBox1", "数量1", K::Number, B::Numbers, 3, I::Off, {}, &S::quantity1, nullptr,
     Shown::WhileToggleDown, &S::numericToggleDown, "SuujiNyuuryokuBtn", "0"},
    {F::UnitPrice1, "TankaBox1", "単価1", K::Number, B::Numbers, 5, I::Off, {}, &S::unitPrice1, nullptr,
     Shown::WhileToggleDown, &S::numericToggleDown, "SuujiNyuuryokuBtn", "0"},
    {F::Quantity2, "SuuryouBox2", "数量2", K::Number, B::Numbers, 3, I::Off, {}, &S::quantity2, nullptr,
     Shown::WhileToggleDown, &S::numericToggleDown, "SuujiNyuuryokuBtn", "0"},
    {F::UnitPrice2, "TankaBox2", "単価2", K::Number, B::Numbers, 5, I::Off, {}, &S::unitPrice2, nullptr,
     Shown::WhileToggleDown, &S::numericToggleDown, "SuujiNyuuryokuBtn", "0"},

    {F::DesiredMonth, "KibouGatsuBox", "希望月", K::Month, B::Date, 0, I::Unset, kMonths, &S::desiredMonth, nullptr,
     Shown::WhileVisible, &S::desiredMonthVisible, "KibouBtn"},
    {F::DesiredDay, "KibouBiBox", "希望日", K::Day, B::Date, 0, I::Unset, kDays, &S::desiredDay, nullptr,
     Shown::WhileVisible, &S::desiredDayVisible, "KibouBtn"},
    {F::TimeSlot, "O_Haitatsu", "配達時間帯", K::Choice, B::Delivery, 0, I::Unset, kTimeSlots, nullptr, &S::timeSlot,
     Shown::Always, nullptr, nullptr, "", 6},
    {F::Notification, "O_Tsuuchi", "お届け通知", K::Choice, B::Delivery, 0, I::Unset, kNotification, nullptr,
     &S::notification, Shown::Always, nullptr, nullptr, "", 1},

    {F::Amount1, "KingakuBox1", "金額1", K::Number, B::Numbers, 8, I::Off, {}, &S::amount1, nullptr,
     Shown::WhileToggleDown, &S::numericToggleDown, "SuujiNyuuryokuBtn", "0", 0, false},
    {F::Amount2, "KingakuBox2", "金額2", K::Number, B::Numbers, 8, I::Off, {}, &S::amount2, nullptr,
     Shown::WhileToggleDown, &S::numericToggleDown, "SuujiNyuuryokuBtn", "0", 0, false},
    {F::Total, "GoukeiBox", "合計", K::Number, B::Numbers, 9, I::Off, {}, &S::total, nullptr,
     Shown::WhileToggleDown, &S::numericToggleDown, "SuujiNyuuryokuBtn", "0", 0, false},

    {F::OffsetX, "Sayuu_Xtxt", "左右のズレ", K::Number, B::Offsets, 0, I::Off, {}, &S::offsetXText, nullptr,
     Shown::Always, nullptr, nullptr, "0", 0, false},
    {F::OffsetY, "Jyouge_Ytxt", "上下のズレ", K::Number, B::Offsets, 0, I::Off, {}, &S::offsetYText, nullptr,
     Shown::Always, nullptr, nullptr, "0", 0, false},
}};

// The table is indexed by FieldId: each row must sit at its own id.
constexpr bool inIdOrder()
{
    for (int i = 0; i < kFieldCount; ++i)
        if (int(kFields[size_t(i)].id) != i)
            return false;
    return true;
}
static_assert(inIdOrder(), "the field table's rows must follow FieldId");

} // namespace

std::span<const Field> fields()
{
    return kFields;
}

const Field &field(FieldId id)
{
    return kFields[size_t(id)];
}

const Field *fieldNamed(QStringView name)
{
    for (const Field &f : kFields)
        if (name == QLatin1String(f.name))
            return &f;
    return nullptr;
}

QStringList itemTexts(const Field &field)
{
    QStringList texts;
    for (const char *item : field.items)
        texts << QString::fromUtf8(item);
    return texts;
}

QStringList optionNames(const Field &field)
{
    QStringList names;
    for (size_t i = 1; i <= field.items.size(); ++i)
        names << QLatin1String(field.name) + QString::number(i);
    return names;
}

} // namespace nerufa::slip
