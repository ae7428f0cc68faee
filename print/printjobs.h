#pragma once

#include "jobstate.h"
#include "printer.h"
#include "slipsnapshot.h"

namespace nerufa {

// The slip print: every field of the snapshot at its place on the slip,
// one page. Raises RuntimeError on a bad offset text, an overflow or a
// failing printer; in that case the begun page is aborted, never ended.
void printSlip(const SlipSnapshot &slip, JobState &state, Printer &printer);

// The position-check page: two small circles at fixed places plus the
// offsets. Same errors as printSlip.
void printPositionCheck(const QString &offsetXText, const QString &offsetYText,
                        JobState &state, Printer &printer);

} // namespace nerufa
