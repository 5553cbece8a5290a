#pragma once
// The one off-screen byte plane all display windows rasterise into.
// Every access is clipped to the plane, so callers may pass any coordinates.
#include <cstdint>
#include <span>
#include <vector>

namespace kivelo {

class RasterPlane {
public:
    static constexpr int kWidth = 2048;
    static constexpr int kHeight = 1200;

    RasterPlane();

    uint8_t At(int x, int y) const;
    void Set(int x, int y, uint8_t value);
    // Writes a colour code (1..31 trace, 32 highlight) keeping the other layers.
    void Paint(int x, int y, uint32_t code);
    // Vertical run y1..y2 (inclusive, either order) at column x.
    void PaintColumn(int x, int y1, int y2, uint32_t code);
    void OrBits(int x, int y, uint8_t bits);
    // Clears `mask` bits of every byte in the rectangle.
    void Clear(int x, int y, int width, int height, uint8_t mask);
    void ClearAll();

    std::span<const uint8_t> Bytes() const { return bytes_; }
    std::span<const uint8_t> Row(int y) const;

    static bool Contains(int x, int y) { return x >= 0 && y >= 0 && x < kWidth && y < kHeight; }

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace kivelo
