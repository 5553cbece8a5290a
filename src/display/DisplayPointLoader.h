#pragma once
// Reading a trace's display points from the waveform model.
#include <cstdint>
#include <vector>

#include "common/HugePages.h"
#include "display/DisplayTrace.h"
#include "wavefile/CWaveFile.h"

namespace kivelo {

// Step code for P display points over L samples (9 fraction bits).
int32_t DisplayStepCode(int64_t recordLength, int64_t points);

// Reads `points` display points with step code `step` from sample `start` of
// record `record` for `channel`: the request is cut to the end of
// the record and a short delivery is held at its last value, so the point
// count stays what the caller laid out. Byte-wide samples go to the upper
// byte, offset-binary samples become two's complement. False (point count 0)
// when nothing could be read.
bool LoadDisplayPoints(DisplayTrace& trace, const CWaveFile& file, int record, int32_t step, int64_t start, int points,
                       int channel);

// Samples read for a figure; kept from read to read (on a huge page once large).
using SampleRun = std::vector<int16_t, HugePageAllocator<int16_t>>;

// Reads `count` samples themselves from sample `start` of record `record`
// for `channel`, converted as display points are (see above), into `out`
// (cut to the end of the record). False when nothing could be read.
bool ReadSamples(const DisplayTrace& trace, const CWaveFile& file, int record, int channel, int64_t start,
                 int64_t count, SampleRun& out);
// ReadSamples without the conversion: the 16-bit values as read.
bool ReadStoredSamples(const CWaveFile& file, int record, int channel, int64_t start, int64_t count, SampleRun& out);

}  // namespace kivelo
