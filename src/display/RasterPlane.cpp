#include "display/RasterPlane.h"

#include <algorithm>
#include <cstring>

#include "display/ColourCode.h"

namespace kivelo {

RasterPlane::RasterPlane() : bytes_(StrideOf(kWidth) * kHeight, 0) {}

void RasterPlane::EnsureSize(int width, int height) {
    const int w = std::clamp(std::max(width, width_), 1, std::max(kMaxSide, width_));
    const int h = std::clamp(std::max(height, height_), 1, std::max(kMaxSide, height_));
    if (w == width_ && h == height_) return;
    const size_t stride = StrideOf(w);
    std::vector<uint8_t> grown(stride * static_cast<size_t>(h), 0);
    for (int y = 0; y < height_; ++y)
        std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(Index(0, y)), width_,
                    grown.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(y) * stride));
    bytes_ = std::move(grown);
    width_ = w;
    height_ = h;
    stride_ = stride;
}

void RasterPlane::Clear(int x, int y, int width, int height, uint8_t mask) {
    const int x1 = std::max(x, 0), x2 = std::min(x + std::max(width, 0), width_);
    const int y1 = std::max(y, 0), y2 = std::min(y + std::max(height, 0), height_);
    if (x1 >= x2) return;
    const uint8_t keep = static_cast<uint8_t>(~mask);
    const uint64_t keepWord = 0x0101010101010101ULL * keep;
    for (int row = y1; row < y2; ++row) {
        uint8_t* p = bytes_.data() + Index(x1, row);
        int n = x2 - x1;
        for (; n >= 8; n -= 8, p += 8) {  // eight pixels a word
            uint64_t word;
            std::memcpy(&word, p, sizeof word);
            word &= keepWord;
            std::memcpy(p, &word, sizeof word);
        }
        for (; n > 0; --n, ++p) *p &= keep;
    }
}

void RasterPlane::ClearAll() { std::fill(bytes_.begin(), bytes_.end(), uint8_t{0}); }

std::span<const uint8_t> RasterPlane::Row(int y) const {
    if (y < 0 || y >= height_) return {};
    return std::span<const uint8_t>(bytes_).subspan(Index(0, y), static_cast<size_t>(width_));
}

}  // namespace kivelo
