#pragma once
// One axis of the XY plot: the pixel of a display value for a trace's vertical
// zoom and position. The scale is zoom x size / 2^32 pixels per value, so the
// offset of a value is worked out in whole numbers: exact for every zoom, and
// cheap enough to be worked out wherever a long figure's line moves.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace kivelo {

class XyAxis {
public:
    // Far-off positions are held here: lines towards them are cut at the area's edge.
    static constexpr int64_t kFar = int64_t{1} << 28;

    // An axis of `size` pixels from `start`; rows grow downward.
    XyAxis(int32_t zoom, int32_t position, int size, int start, bool down)
        : perValue_(int64_t{zoom} * std::clamp(size, -kSizeLimit, kSizeLimit)), down_(down) {
        // The centre as it always was: truncated from the scale in floating point.
        const double scale = static_cast<double>(zoom) * size / 65536.0;
        const auto centre = static_cast<int64_t>(std::clamp(std::trunc(position * scale / 65536.0), -1e15, 1e15));
        base_ = down ? centre + size / 2 + start : size / 2 - centre + start;
    }
    int64_t Pixel(int v) const {
        // Division truncates toward zero, as the scale's offset always did.
        const int64_t offset = perValue_ * v / (int64_t{1} << 32);
        return std::clamp(down_ ? base_ - offset : base_ + offset, -kFar, kFar);
    }
    // Whether the scale fits 32 bits and every pixel, and the sum and difference of
    // two, fits 16: then 16-bit lanes work pixels out many values at once.
    bool SixteenBitPixels() const {
        return perValue_ >= 0 && perValue_ < (int64_t{1} << 32) &&
               std::abs(base_) + (perValue_ >> 17) + 1 < (int64_t{1} << 14);
    }
    // The terms of Pixel, for working out many values at once.
    int64_t PerValue() const { return perValue_; }
    int64_t Base() const { return base_; }
    bool Down() const { return down_; }

private:
    static constexpr int kSizeLimit = 1 << 16;  // keeps zoom x size x value inside 64 bits
    int64_t perValue_;
    int64_t base_ = 0;
    bool down_;
};

}  // namespace kivelo
