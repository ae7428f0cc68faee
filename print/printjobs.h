#pragma once

#include "jobstate.h"
#include "printer.h"
#include "slipsnapshot.h"

namespace nerufa {

// The slip print: every field of the snapshot at its place on the slip,
// one page. Sets all of the job state.
//
// Raises RuntimeError: TypeMismatch when an offset text is not a number and
// Overflow when an offset is absurdly large, both before the printer is
// touched; PrinterError (or Overflow) from the printer during the job. In
// that case the begun page is aborted with printer.abortDoc(), never ended.
void printSlip(const SlipSnapshot &slip, JobState &state, Printer &printer);

// The position-check page: two small circles at fixed places plus the
// offsets. Sets the job state except the vertical correction. Same errors
// as printSlip.
void printPositionCheck(const QString &offsetXText, const QString &offsetYText,
                        JobState &state, Printer &printer);

} // namespace nerufa
