#include "instrument/download/EstimateText.h"

#include <limits>

namespace kivelo {

int64_t EstimateSeconds(int64_t points, bool gpib) {
    if (points <= 0) return 0;
    const int64_t rate = gpib ? kGpibBytesPerSecond : kSerialBytesPerSecond;
    // points * 2 cannot overflow for any count an instrument can announce, but
    // the product of three untrusted numbers can: saturate instead of wrapping.
    if (points > std::numeric_limits<int64_t>::max() / 2) return std::numeric_limits<int64_t>::max() / rate;
    return points * 2 / rate;
}

std::string EstimateText(int64_t seconds) {
    if (seconds < 0) seconds = 0;
    if (seconds < 60) return std::to_string(seconds / 10 * 10 + 10) + " Sec";
    return std::to_string(seconds / 60) + " Min";
}

}  // namespace kivelo
