#pragma once
// Hands an opened waveform file to the display: trace attributes, on/off
// tables, record count, time stamps and the zoom ratios.
#include "display/DisplayModel.h"
#include "wavefile/CWaveFile.h"

namespace kivelo {

// Fills the display from an open file (the file's current block becomes 0).
void BindDocument(DisplayModel& model, CWaveFile& file);
// The document is gone: nothing is drawn from it any more.
void UnbindDocument(DisplayModel& model);

}  // namespace kivelo
