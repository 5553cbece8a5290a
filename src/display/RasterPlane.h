#pragma once
// The one off-screen byte plane all display windows rasterise into.
// Every access is clipped to the plane, so callers may pass any coordinates.
#include <algorithm>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "display/ColourCode.h"

namespace kivelo {

class RasterPlane {
public:
    static constexpr int kWidth = 2048;
    static constexpr int kHeight = 1200;

    RasterPlane();

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
        if (x < 0 || x >= kWidth) return;
        if (y1 > y2) std::swap(y1, y2);
        y1 = std::max(y1, 0);
        y2 = std::min(y2, kHeight - 1);
        if (y1 > y2) return;
        uint8_t* p = bytes_.data() + Index(x, y1);
        for (int y = y1; y <= y2; ++y, p += kWidth) *p = colour_code::Paint(*p, code);
    }
    void OrBits(int x, int y, uint8_t bits) {
        if (Contains(x, y)) bytes_[Index(x, y)] |= bits;
    }
    // Clears `mask` bits of every byte in the rectangle.
    void Clear(int x, int y, int width, int height, uint8_t mask);
    void ClearAll();

    std::span<const uint8_t> Bytes() const { return bytes_; }
    std::span<const uint8_t> Row(int y) const;

    static bool Contains(int x, int y) { return x >= 0 && y >= 0 && x < kWidth && y < kHeight; }

private:
    static size_t Index(int x, int y) { return static_cast<size_t>(y) * kWidth + static_cast<size_t>(x); }

    std::vector<uint8_t> bytes_;
};

}  // namespace kivelo
