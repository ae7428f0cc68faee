#pragma once

#include "fields.h"
#include "slipsnapshot.h"

class QWidget;

// The window's side of the field table: each field's control found by its
// name in the form, set up from the table at start and read into the
// snapshot a print job takes.
namespace formfields {

// The control of a field (for an option group, its first option); nullptr
// when the form has none of that name.
QWidget *controlOf(const QWidget *form, const nerufa::slip::Field &field);

// Typing limits, input-method modes, list items and initial texts from the
// table, onto the form's controls. Run once, before the window is shown.
void applyTable(QWidget *form);

// What a print takes from the window, as it stands now: every field's
// text, the chosen options, and for optional fields whether they print
// (care-of lines and date lists while shown, numbers while their toggle is
// down).
nerufa::SlipSnapshot readSlip(const QWidget *form);

// The two address blocks' texts, field by field in the table's order.
QString textOf(const QWidget *control);
void setTextOf(QWidget *control, const QString &text);

// Fills an address block (Recipient or Sender) with texts in the table's
// order; its care-of line is shown exactly when it has text.
void setAddress(QWidget *form, nerufa::slip::Block block, const QStringList &texts);

// Puts a slip back into the window as it printed: every field, the chosen
// options, the check boxes and toggles that show optional fields. The
// offsets stay as they are (they belong to this printer), and so does the
// desired date when it did not print (the lists keep today's).
void writeSlip(QWidget *form, const nerufa::SlipSnapshot &slip);

} // namespace formfields
