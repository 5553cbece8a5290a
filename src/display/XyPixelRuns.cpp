#include "display/XyPixelRuns.h"

#include <algorithm>
#include <cstdint>

namespace kivelo {

XyPixelRuns::XyPixelRuns(const XyAxis& axis, int64_t first, int64_t last)
    : axis_(axis), first_(first), byPixel_(static_cast<size_t>(std::max<int64_t>(last - first + 1, 0))) {
    // The pixel is monotonic in the value: a pixel's values follow each other. The
    // last of them is found by steps that double, then by halving the last step.
    for (int v = INT16_MIN; v <= INT16_MAX;) {
        const int64_t pixel = axis.Pixel(v);
        int on = v, step = 1;  // on: a value known on the pixel
        while (on + step <= INT16_MAX && axis.Pixel(on + step) == pixel) {
            on += step;
            step *= 2;
        }
        for (int off = std::min(on + step, INT16_MAX + 1); off - on > 1;) {
            const int mid = on + (off - on) / 2;
            (axis.Pixel(mid) == pixel ? on : off) = mid;
        }
        if (const auto i = static_cast<uint64_t>(pixel - first); i < byPixel_.size())
            byPixel_[i] = {static_cast<int16_t>(v), static_cast<int16_t>(on), static_cast<int32_t>(pixel)};
        v = on + 1;
    }
}

bool XyPixelRuns::Reaching(int64_t c, int16_t& low, int16_t& high) const {
    auto pixel = [&](int v) { return int64_t{RunOf(static_cast<int16_t>(v)).pixel}; };
    // The first value from which pred holds (it holds on every value after); 32768 when none.
    auto firstTrue = [](auto pred) {
        int lo = INT16_MIN, hi = INT16_MAX + 1;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (pred(mid)) hi = mid;
            else lo = mid + 1;
        }
        return lo;
    };
    const bool up = pixel(INT16_MIN) <= pixel(INT16_MAX);
    const int l =
        up ? firstTrue([&](int v) { return pixel(v) >= c; }) : firstTrue([&](int v) { return pixel(v) <= c; });
    const int h =
        (up ? firstTrue([&](int v) { return pixel(v) > c; }) : firstTrue([&](int v) { return pixel(v) < c; })) - 1;
    if (l > INT16_MAX || h < INT16_MIN) return false;
    low = static_cast<int16_t>(l);
    high = static_cast<int16_t>(h);
    return true;
}

}  // namespace kivelo
