#pragma once
// Time estimate shown before a download.
#include <cstdint>
#include <string>

namespace kivelo {

// Bytes per second assumed for the estimate.
inline constexpr int64_t kGpibBytesPerSecond = 100000;
inline constexpr int64_t kSerialBytesPerSecond = 1900;

// Whole seconds to move `points` 16-bit samples (negative counts as 0).
int64_t EstimateSeconds(int64_t points, bool gpib);
// "%d Sec" with the next multiple of ten above s when s < 60, else "%d Min" with s / 60.
std::string EstimateText(int64_t seconds);

}  // namespace kivelo
