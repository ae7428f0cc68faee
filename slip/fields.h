#pragma once

#include "slipsnapshot.h"

#include <QString>
#include <QStringList>
#include <span>

// The slip's entry fields, described once. The window takes its typing
// limits, input-method modes and list items from here; the CSV reader its
// columns, checks and limits; whatever else reads or fills a slip (history,
// import profiles, postal look-up) goes through the same table. The window's
// form keeps only positions, names, tab order and captions.
namespace nerufa::slip {

// Every field, in the order of the table below: the CSV batch's columns
// first, in the order its README lists them, then the fields it does not read.
enum class FieldId {
    RecipientPostal, RecipientAddress1, RecipientAddress2, RecipientName, RecipientCareOf, RecipientPhone,
    SenderPostal, SenderAddress1, SenderAddress2, SenderName, SenderCareOf, SenderPhone,
    Goods1, Goods2, ProductNumber1, ProductNumber2,
    Quantity1, UnitPrice1, Quantity2, UnitPrice2,
    DesiredMonth, DesiredDay, TimeSlot, Notification,
    Amount1, Amount2, Total,
    OffsetX, OffsetY,
    Count
};
inline constexpr int kFieldCount = int(FieldId::Count);

enum class FieldKind {
    Text,   // free text
    Number, // a number typed as text, converted where it is used
    Month,  // desired month, a list of "01".."12"
    Day,    // desired day, a list of "01".."31"
    Choice, // an option group: exactly one of its captions is chosen
};

// What the input method does while the field has the focus.
enum class InputMode {
    Unset,    // left to the desktop
    Off,      // cannot be switched on: digits, letters and signs only
    Hiragana, // switched on in hiragana mode
};

// Which part of the window the field belongs to. The two address blocks
// pair field by field in table order (postal code, two address lines, name,
// care-of, telephone).
enum class Block { Recipient, Sender, Goods, Numbers, Date, Delivery, Offsets };

// When an optional field is printed.
enum class Shown {
    Always,
    WhileVisible,    // while its control is shown (care-of lines, date lists)
    WhileToggleDown, // while its switch, a toggle button, is down (numbers)
};

struct Field {
    FieldId id;
    // The control's name in the window. For an option group, the common
    // start of its options' names: "O_Haitatsu" stands for O_Haitatsu1..6.
    const char *name;
    // The field's Japanese name: the CSV batch's column, and the name a
    // message gives the field.
    const char *caption;
    FieldKind kind;
    Block block;
    // Characters the operator may put in (a character outside the basic
    // plane counts once); 0: no limit.
    int typingLimit = 0;
    InputMode input = InputMode::Unset;
    // A list's items in order, or an option group's captions.
    std::span<const char *const> items = {};
    // The snapshot's text of the field, or for an option group its choice
    // (1-based; the options' order).
    QString SlipSnapshot::*text = nullptr;
    int SlipSnapshot::*choice = nullptr;
    Shown shown = Shown::Always;
    // The snapshot flag an optional field is printed by, and the check box
    // or toggle that shows the field.
    bool SlipSnapshot::*shownFlag = nullptr;
    const char *switchName = nullptr;
    // The text the window starts with ("0" in the numeric area), or the
    // option chosen at start (1-based).
    const char *initialText = "";
    int initialChoice = 0;
    // Whether the CSV batch reads the field from a column of that caption.
    bool fromCsv = true;
};

// The offset boxes' values at which the print lands where the slip expects
// it (3 mm to the right, 7 mm down): no shift. A new installation starts
// with these.
inline constexpr int kNeutralOffsetX = 30;
inline constexpr int kNeutralOffsetY = 70;

// The whole table, indexed by FieldId.
std::span<const Field> fields();
const Field &field(FieldId id);
// The field whose control (or option group) has this name; nullptr if none.
const Field *fieldNamed(QStringView name);

// A list's items, or an option group's captions, as texts.
QStringList itemTexts(const Field &field);
// The option group's control names: "O_Haitatsu1", "O_Haitatsu2", ...
QStringList optionNames(const Field &field);

} // namespace nerufa::slip
