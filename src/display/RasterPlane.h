#pragma once
// The one off-screen byte plane all display windows rasterise into. It starts
// at 2048 x 1200 and grows to whatever the windows need (a large screen, a
// large frame). Every access is clipped to the plane, so callers may pass any
// coordinates.
#include <algorithm>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "display/ColourCode.h"

namespace kivelo {

class RasterPlane {
public:
    static constexpr int kWidth = 2048;  // size at construction
    static constexpr int kHeight = 1200;
    static constexpr int kMaxSide = 16384;  // no window needs more

    RasterPlane();

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Grows the plane (never shrinks it) to at least width x height, up to
    // kMaxSide a side, keeping every pixel where it was.
    void EnsureSize(int width, int height);

    uint8_t At(int x, int y) const { return Contains(x, y) ? bytes_[Index(x, y)] : 0; }
    void Set(int x, int y, uint8_t value) {
        if (Contains(x, y)) bytes_[Index(x, y)] = value;
    }
    // Writes a colour code (1..31 trace, 32 highlight) keeping the other layers.
    void Paint(int x, int y, uint32_t code) {
        if (!Contains(x, y)) return;
        uint8_t& p = bytes_[Index(x, y)];
        p = colour_code::Paint(p, code);
    }
    // Vertical run y1..y2 (inclusive, either order) at column x.
    void PaintColumn(int x, int y1, int y2, uint32_t code) {
        if (x < 0 || x >= width_) return;
        if (y1 > y2) std::swap(y1, y2);
        y1 = std::max(y1, 0);
        y2 = std::min(y2, height_ - 1);
        if (y1 > y2) return;
        uint8_t* p = bytes_.data() + Index(x, y1);
        for (int y = y1; y <= y2; ++y, p += stride_) *p = colour_code::Paint(*p, code);
    }
    void OrBits(int x, int y, uint8_t bits) {
        if (Contains(x, y)) bytes_[Index(x, y)] |= bits;
    }
    // Clears `mask` bits of every byte in the rectangle.
    void Clear(int x, int y, int width, int height, uint8_t mask);
    void ClearAll();

    // Every byte, rows `Stride()` apart; the bytes beyond a row's width stay 0.
    std::span<const uint8_t> Bytes() const { return bytes_; }
    size_t Stride() const { return stride_; }
    std::span<const uint8_t> Row(int y) const;

    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

private:
    // Rows an odd number of cache lines apart: a column's pixels then spread over
    // every set of the processor's cache instead of crowding into two (rows 2048
    // bytes apart), which made painting tall columns miss the cache at every pixel.
    static size_t StrideOf(int width) {
        const size_t lines = (static_cast<size_t>(width) + 63) / 64;
        return 64 * (lines % 2 ? lines : lines + 1);
    }
    size_t Index(int x, int y) const { return static_cast<size_t>(y) * stride_ + static_cast<size_t>(x); }

    int width_ = kWidth;
    int height_ = kHeight;
    size_t stride_ = StrideOf(kWidth);
    std::vector<uint8_t> bytes_;
};

}  // namespace kivelo
