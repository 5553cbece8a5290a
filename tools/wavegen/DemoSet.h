#pragma once
// The demo record set shipped with the program.
#include <string>

#include "Result.h"

namespace kivelo::wavegen {

// Writes into dir: demo_wave.wvf/.hdr (4 traces, 3 blocks), demo_realtime.rtm/.hdr
// (4 channels, a ring acquisition region) and demo_float.fld.
Result WriteDemoSet(const std::string& dir);

}  // namespace kivelo::wavegen
