#include "RasterPlane.h"

#include <algorithm>

#include "ColourCode.h"

namespace kivelo {

RasterPlane::RasterPlane() : bytes_(static_cast<size_t>(kWidth) * kHeight, 0) {}

uint8_t RasterPlane::At(int x, int y) const {
    return Contains(x, y) ? bytes_[static_cast<size_t>(y) * kWidth + x] : 0;
}

void RasterPlane::Set(int x, int y, uint8_t value) {
    if (Contains(x, y)) bytes_[static_cast<size_t>(y) * kWidth + x] = value;
}

void RasterPlane::Paint(int x, int y, uint32_t code) {
    if (!Contains(x, y)) return;
    uint8_t& p = bytes_[static_cast<size_t>(y) * kWidth + x];
    p = colour_code::Paint(p, code);
}

void RasterPlane::PaintColumn(int x, int y1, int y2, uint32_t code) {
    if (x < 0 || x >= kWidth) return;
    if (y1 > y2) std::swap(y1, y2);
    y1 = std::max(y1, 0);
    y2 = std::min(y2, kHeight - 1);
    for (int y = y1; y <= y2; ++y) {
        uint8_t& p = bytes_[static_cast<size_t>(y) * kWidth + x];
        p = colour_code::Paint(p, code);
    }
}

void RasterPlane::OrBits(int x, int y, uint8_t bits) {
    if (Contains(x, y)) bytes_[static_cast<size_t>(y) * kWidth + x] |= bits;
}

void RasterPlane::Clear(int x, int y, int width, int height, uint8_t mask) {
    const int x1 = std::max(x, 0), x2 = std::min(x + std::max(width, 0), kWidth);
    const int y1 = std::max(y, 0), y2 = std::min(y + std::max(height, 0), kHeight);
    const uint8_t keep = static_cast<uint8_t>(~mask);
    for (int row = y1; row < y2; ++row) {
        uint8_t* p = bytes_.data() + static_cast<size_t>(row) * kWidth;
        for (int col = x1; col < x2; ++col) p[col] &= keep;
    }
}

void RasterPlane::ClearAll() { std::fill(bytes_.begin(), bytes_.end(), uint8_t{0}); }

std::span<const uint8_t> RasterPlane::Row(int y) const {
    if (y < 0 || y >= kHeight) return {};
    return std::span<const uint8_t>(bytes_).subspan(static_cast<size_t>(y) * kWidth, kWidth);
}

}  // namespace kivelo
