#pragma once

#include <QString>

namespace nerufa {

// Values a print job sets at its start and the window keeps between jobs.
struct JobState {
    float xOffsetValue = 0.0f;    // tenths of a mm; 30 = no horizontal shift
    float yOffsetValue = 0.0f;    // tenths of a mm; 70 = no vertical shift
    float markRadius = 0.0f;      // tenths of a mm
    float markLineWidth = 0.0f;   // passed to the printer as a whole number
    QString verticalCorrection;   // tenths of a mm, kept as decimal text
    float offsetX = 0.0f;         // twips
    float offsetY = 0.0f;         // twips
};

} // namespace nerufa
