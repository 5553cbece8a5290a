#pragma once
// .wvf data file plus its .hdr header.
#include <cstdint>
#include <string>
#include <vector>

#include "Result.h"
#include "WaveHeader.h"

namespace kivelo::wavegen {

struct WvfDesc {
    HeaderOptions header;
    std::vector<TraceDesc> traces;
    int blocks = 1;
    int64_t samples = 1000;           // per trace and block
    std::vector<int64_t> blockSizes;  // optional, blocks x traces: element b * traces + t
    uint8_t fillByte = 0xEE;          // the DataOffset bytes before the first sample
};

// `count` traces cycling through the comma-separated type tokens and the signals.
std::vector<TraceDesc> MakeTraces(int count, const std::string& types, Signal signal, int64_t period = 1000);

int64_t WvfBlockSize(const WvfDesc& s, int trace, int block);
// Byte offset of a sample in the data file. Each trace occupies its own width;
// "Trace": trace after trace, each trace's blocks in order; "Block" (and
// anything else but "Trace"): block after block, each block's traces in order.
int64_t WvfSampleOffset(const WvfDesc& s, int trace, int block, int64_t index);
int64_t WvfFileSize(const WvfDesc& s);
// Raw value written for a sample (see RawSample).
int64_t WvfRawSample(const WvfDesc& s, int trace, int block, int64_t index);

// Writes the data file (streamed) and the header at HeaderPathFor(dataPath).
Result WriteWvf(const std::string& dataPath, const WvfDesc& s);
Result WriteHeaderFile(const std::string& headerPath, const std::string& text);

}  // namespace kivelo::wavegen
