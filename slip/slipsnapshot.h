#pragma once

#include <QString>

namespace nerufa {

// What the slip print reads from the window, taken at the click: texts,
// the visibilities that decide optional items, the selected options and
// the numeric entry toggle. Plain data, so the print rules can be tested
// without a window.
struct SlipSnapshot {
    // Offset boxes, as typed.
    QString offsetXText;
    QString offsetYText;

    // Recipient block.
    QString recipientPostal;
    QString recipientAddress1;
    QString recipientAddress2;
    QString recipientName;
    QString recipientCareOf;
    bool recipientCareOfVisible = false;
    QString recipientPhone;

    // Sender block (the combo boxes' edit texts).
    QString senderPostal;
    QString senderAddress1;
    QString senderAddress2;
    QString senderName;
    QString senderCareOf;
    bool senderCareOfVisible = false;
    QString senderPhone;

    // Desired date.
    QString desiredMonth;
    bool desiredMonthVisible = false;
    QString desiredDay;
    bool desiredDayVisible = false;

    // Selected time slot, 1..6 (O_Haitatsu1..6), 0 when none is selected.
    int timeSlot = 0;
    // Selected notification answer, 1 (必要) or 2 (不要), 0 when none.
    int notification = 0;

    // Goods.
    QString goods1;
    QString goods2;
    QString productNumber1;
    QString productNumber2;

    // Numeric area; printed only while the toggle is down.
    bool numericToggleDown = false;
    QString quantity1;
    QString quantity2;
    QString unitPrice1;
    QString unitPrice2;
    QString amount1;
    QString amount2;
    QString total;
};

} // namespace nerufa
