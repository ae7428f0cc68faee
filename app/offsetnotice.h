#pragma once

#include "offsetfiles.h"

class QWidget;

// After 「ズレ保存」 of a program whose folder is not writable, the offset
// panel says where the offsets went: the operator's own configuration
// folder, not the program's. Beside the program nothing is shown.
namespace offsetnotice {

// Shows (or updates) the note in the panel's free top-right corner.
void showSaved(QWidget *panel, const nerufa::offsets::OffsetPlace &place);

} // namespace offsetnotice
