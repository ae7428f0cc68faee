#pragma once

#include "slipsnapshot.h"

// Where everything lands on the pre-printed slip. Positions are layout
// positions: whole tenths of a millimetre from the top-left corner of the
// printable area. The printer works in twips, and the program takes 5.67
// twips (single precision) as 0.1 mm, so a layout position n is the twip
// value float(n) * 5.67f; see twips().
//
// The tables are plain data in the order the slip print walks them.
namespace nerufa::layout {

// 0.1 mm in twips, as the single-precision factor every position uses.
inline constexpr float kTwipsPerTenthMm = 5.67f;

// A layout position as the printer position the program holds for it:
// twips(1806) is 10240.0205078125, not the float nearest to 10240.02.
constexpr float twips(int n) { return float(n) * kTwipsPerTenthMm; }

// The size the job sets and reads back to fix the vertical correction.
inline constexpr int kCorrectionProbeSize = 14;

// Mark radii in tenths of a mm and the line width of every mark.
inline constexpr float kCheckMarkRadius = 3.0f;   // position-check circles
inline constexpr float kSlipMarkRadius = 20.0f;   // time slot and notification
inline constexpr float kMarkLineWidth = 2.0f;

// One text of the slip.
struct TextItem {
    QString SlipSnapshot::*field;
    // 0: the whole text; i >= 1: only the i-th character (one postal box).
    int character;
    int size;   // points
    int x;      // layout positions
    int y;
    // The item is placed only while this flag is true; nullptr: always.
    bool SlipSnapshot::*placedWhen;
};

// A circle centre.
struct MarkPosition {
    int x;
    int y;
};

using S = SlipSnapshot;

// Recipient block, then sender block. Postal codes go one character per
// box; the larger step between boxes 3 and 4 is the slip's hyphen gap.
inline constexpr TextItem kAddressItems[] = {
    {&S::recipientPostal, 1, 12, 840, 156, nullptr},
    {&S::recipientPostal, 2, 12, 930, 156, nullptr},
    {&S::recipientPostal, 3, 12, 1020, 156, nullptr},
    {&S::recipientPostal, 4, 12, 1121, 156, nullptr},
    {&S::recipientPostal, 5, 12, 1211, 156, nullptr},
    {&S::recipientPostal, 6, 12, 1301, 156, nullptr},
    {&S::recipientPostal, 7, 12, 1391, 156, nullptr},
    {&S::recipientAddress1, 0, 10, 840, 269, nullptr},
    {&S::recipientAddress2, 0, 10, 740, 367, nullptr},
    {&S::recipientName, 0, 12, 750, 490, nullptr},
    {&S::recipientCareOf, 0, 9, 900, 435, &S::recipientCareOfVisible},
    {&S::recipientPhone, 0, 11, 905, 558, nullptr},
    {&S::senderPostal, 1, 10, 868, 645, nullptr},
    {&S::senderPostal, 2, 10, 920, 645, nullptr},
    {&S::senderPostal, 3, 10, 972, 645, nullptr},
    {&S::senderPostal, 4, 10, 1029, 645, nullptr},
    {&S::senderPostal, 5, 10, 1081, 645, nullptr},
    {&S::senderPostal, 6, 10, 1133, 645, nullptr},
    {&S::senderPostal, 7, 10, 1184, 645, nullptr},
    {&S::senderAddress1, 0, 10, 840, 710, nullptr},
    {&S::senderAddress2, 0, 10, 740, 791, nullptr},
    {&S::senderName, 0, 11, 750, 920, nullptr},
    {&S::senderCareOf, 0, 8, 900, 861, &S::senderCareOfVisible},
    {&S::senderPhone, 0, 11, 905, 978, nullptr},
};

// Desired delivery month and day, each only while its list is shown.
inline constexpr TextItem kDateItems[] = {
    {&S::desiredMonth, 0, 11, 358, 250, &S::desiredMonthVisible},
    {&S::desiredDay, 0, 11, 485, 250, &S::desiredDayVisible},
};

// Circle centres of the six time slots (O_Haitatsu1..6): three columns,
// two rows.
inline constexpr MarkPosition kTimeSlotMarks[] = {
    {378, 364}, {495, 364}, {612, 364},
    {378, 446}, {495, 446}, {612, 446},
};

// Circle centres of the notification answers: 必要, 不要.
inline constexpr MarkPosition kNotificationMarks[] = {
    {1582, 368}, {1682, 368},
};

// Goods names and product numbers always; the numbers only while the
// numeric entry toggle is down.
inline constexpr TextItem kGoodsItems[] = {
    {&S::goods1, 0, 10, 1500, 708, nullptr},
    {&S::goods2, 0, 10, 1500, 793, nullptr},
    {&S::productNumber1, 0, 10, 1500, 877, nullptr},
    {&S::productNumber2, 0, 10, 1500, 960, nullptr},
    {&S::quantity1, 0, 10, 1806, 708, &S::numericToggleDown},
    {&S::quantity2, 0, 10, 1806, 793, &S::numericToggleDown},
    {&S::unitPrice1, 0, 10, 1882, 708, &S::numericToggleDown},
    {&S::unitPrice2, 0, 10, 1882, 793, &S::numericToggleDown},
    {&S::amount1, 0, 10, 1995, 708, &S::numericToggleDown},
    {&S::amount2, 0, 10, 1995, 793, &S::numericToggleDown},
    {&S::total, 0, 10, 1995, 920, &S::numericToggleDown},
};

// The two circles of the position-check page.
inline constexpr MarkPosition kCheckMarks[] = {
    {806, 106}, {1438, 106},
};

} // namespace nerufa::layout
