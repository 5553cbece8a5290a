#include "display/RasterPlane.h"

#include <algorithm>
#include <cstring>

#include "display/ColourCode.h"

namespace kivelo {

RasterPlane::RasterPlane() : bytes_(static_cast<size_t>(kWidth) * kHeight, 0) {}

void RasterPlane::Clear(int x, int y, int width, int height, uint8_t mask) {
    const int x1 = std::max(x, 0), x2 = std::min(x + std::max(width, 0), kWidth);
    const int y1 = std::max(y, 0), y2 = std::min(y + std::max(height, 0), kHeight);
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
    if (y < 0 || y >= kHeight) return {};
    return std::span<const uint8_t>(bytes_).subspan(static_cast<size_t>(y) * kWidth, kWidth);
}

}  // namespace kivelo
