#pragma once
// Per-trace and horizontal records of an open waveform file.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kivelo {

// A formatted sample: NUL-terminated text in a 20-character slot.
using ValueText = std::array<char, 20>;

struct TraceInfo {
    std::string TraceName;
    int32_t channel = 0;
    std::vector<int32_t> BlockSizes;  // one per block
    double VResolution = 0.0;
    double VOffset = 0.0;
    int32_t DataWidth = 0;  // bytes per sample
    int32_t DataKind = 0;   // DataKind
    std::string VUnit;
    double VPlusOverData = 0.0;
    double VMinusOverData = 0.0;
    double VIllegalData = 0.0;
    double VMaxData = 0.0;
    double VMinData = 0.0;
};

struct HorzInfo {
    double HResolution = 0.0;
    double HOffset = 0.0;
    std::string HUnit;
};

// Window cache of one trace's data.
struct TraceCache {
    bool valid = false;
    int32_t block = -1;
    int32_t trace = -1;
    int32_t region = 0;
    int64_t capacity = 0;     // bytes; 0 = no caching
    int64_t windowStart = 0;  // byte position within the trace data
    int64_t windowLength = 0;
    std::vector<uint8_t> buffer;
};

// An envelope read a caller is about to make of the records of a file.
struct EnvelopeRead {
    int stepCode = 512;
    int64_t pos = 0;
    int64_t count = 0;
    int code = 0;  // output width code
};

// Output width codes of the read operations.
enum OutputWidthCode : int {
    kWidthNative = 0,
    kWidth1 = 1,
    kWidth2 = 2,
    kWidth4 = 3,
};

// What the file classes' reads and queries answer when they did what was asked;
// a failure is 0 or a code of the operation's own.
inline constexpr int kFileOk = -1;

// Results of CWaveFile::Open.
enum OpenResult : int {
    kOpenOk = -1,
    kOpenNoHeader = 0,
    kOpenNoRecords = 1,
    kOpenNoData = 2,
    kOpenAlreadyOpen = 4,
};

// Results of the window cache check.
enum CacheResult : int { kCacheHit = 0, kCacheMiss = 3, kCacheNone = 4 };

}  // namespace kivelo
