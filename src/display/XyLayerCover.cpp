#include "display/XyLayerCover.h"

#include <algorithm>

namespace kivelo {

bool Dense(const XyLayer& layer) {
    const int64_t w = layer.width, h = w > 0 ? static_cast<int64_t>(layer.codes.size()) / w : 0;
    // Per column: the first and last painted row and how many rows between are painted.
    std::vector<int64_t> top(static_cast<size_t>(std::max<int64_t>(w, 0)), -1), bottom(top.size(), -1),
        count(top.size(), 0);
    int64_t painted = 0, x0 = w, x1 = -1, y0 = -1, y1 = -1;
    for (int64_t y = 0; y < h; ++y) {
        const uint8_t* row = layer.codes.data() + y * w;
        int64_t first = 0;
        while (first < w && !row[first]) ++first;
        if (first == w) continue;
        int64_t last = w - 1;
        while (!row[last]) --last;
        if (std::find(row + first, row + last + 1, uint8_t{0}) != row + last + 1) return false;
        for (int64_t x = first; x <= last; ++x) {
            const auto c = static_cast<size_t>(x);
            if (top[c] < 0) top[c] = y;
            bottom[c] = y;
            ++count[c];
        }
        painted += last - first + 1;
        x0 = std::min(x0, first);
        x1 = std::max(x1, last);
        if (y0 < 0) y0 = y;
        y1 = y;
    }
    for (size_t c = 0; c < top.size(); ++c)
        if (top[c] >= 0 && count[c] != bottom[c] - top[c] + 1) return false;
    return painted > 0 && 2 * painted >= (x1 - x0 + 1) * (y1 - y0 + 1);
}

XyReach::XyReach(int64_t left, int64_t top, int64_t width, int64_t height)
    : left_(left),
      top_(top),
      width_(std::max<int64_t>(width, 0)),
      height_(std::max<int64_t>(height, 0)),
      marks_(static_cast<size_t>(width_ * height_), 0) {}

void XyReach::AddRectangle(int64_t x0, int64_t x1, int64_t y0, int64_t y1) {
    // Strictly inside the area: columns 1..width-1 and rows 1..height-1 of the layer.
    const int64_t c0 = std::max<int64_t>(std::min(x0, x1) - left_, 1);
    const int64_t c1 = std::min<int64_t>(std::max(x0, x1) - left_, width_ - 1);
    const int64_t r0 = std::max<int64_t>(std::min(y0, y1) - top_, 1);
    const int64_t r1 = std::min<int64_t>(std::max(y0, y1) - top_, height_ - 1);
    for (int64_t r = r0; r <= r1; ++r)
        for (int64_t c = c0; c <= c1; ++c) {
            uint8_t& m = marks_[static_cast<size_t>(r * width_ + c)];
            count_ += m == 0;
            m = 1;
        }
}

}  // namespace kivelo
