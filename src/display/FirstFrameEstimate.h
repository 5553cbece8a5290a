#pragma once
// How many bytes the first frame after an open reads, so the busy window can
// show its progress.
#include <cstdint>

#include "display/DisplayModel.h"
#include "wavefile/CWaveFile.h"

namespace kivelo {

// The current record once for the Main window and once per History thumbnail
// shown, at each trace's data width.
int64_t FirstFrameReadBytes(CWaveFile& file, const DisplayModel& model);

}  // namespace kivelo
