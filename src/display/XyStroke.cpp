// Built with Highway once per instruction set of the platform; the best one
// the processor runs is chosen at the first call.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "display/XyStroke.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "display/XyStroke.h"

#include <algorithm>

HWY_BEFORE_NAMESPACE();
namespace kivelo {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

HWY_INLINE size_t Outside(const int16_t* HWY_RESTRICT xs, const int16_t* HWY_RESTRICT ys, size_t n,
                          const XyValueBox& box) {
    const hn::ScalableTag<int16_t> d;
    const size_t N = hn::Lanes(d);
    const auto xl = hn::Set(d, box.xLow), xh = hn::Set(d, box.xHigh), yl = hn::Set(d, box.yLow),
               yh = hn::Set(d, box.yHigh);
    size_t i = 0;
    // One vector a step: a long figure's line moves every few vectors, and wider
    // steps cost more in finding where it left than they save.
    for (; i + N <= n; i += N) {
        const auto x = hn::LoadU(d, xs + i), y = hn::LoadU(d, ys + i);
        const auto out = hn::Or(hn::Or(hn::Lt(x, xl), hn::Gt(x, xh)), hn::Or(hn::Lt(y, yl), hn::Gt(y, yh)));
        if (!hn::AllFalse(d, out)) return i + hn::FindKnownFirstTrue(d, out);
    }
    for (; i < n; ++i)
        if (xs[i] < box.xLow || xs[i] > box.xHigh || ys[i] < box.yLow || ys[i] > box.yHigh) return i;
    return n;
}

size_t FirstPairOutsideImpl(const int16_t* xs, const int16_t* ys, size_t n, const XyValueBox& box) {
    return Outside(xs, ys, n, box);
}

void PairsNearImpl(const int16_t* HWY_RESTRICT xs, const int16_t* HWY_RESTRICT ys, size_t n,
                   std::span<const XyValueBox> windows, std::vector<uint32_t>& out) {
    const hn::ScalableTag<int16_t> d;
    const size_t N = hn::Lanes(d);
    auto near = [&](int16_t xa, int16_t xb, int16_t ya, int16_t yb) {
        for (const XyValueBox& w : windows)
            if (std::min(xa, xb) <= w.xHigh && std::max(xa, xb) >= w.xLow && std::min(ya, yb) <= w.yHigh &&
                std::max(ya, yb) >= w.yLow)
                return true;
        return false;
    };
    size_t i = 1;
    for (; i + N <= n; i += N) {
        const auto x0 = hn::LoadU(d, xs + i - 1), x1 = hn::LoadU(d, xs + i);
        const auto y0 = hn::LoadU(d, ys + i - 1), y1 = hn::LoadU(d, ys + i);
        const auto xMin = hn::Min(x0, x1), xMax = hn::Max(x0, x1), yMin = hn::Min(y0, y1), yMax = hn::Max(y0, y1);
        auto any = hn::Lt(xMin, xMin);
        for (const XyValueBox& w : windows)
            any = hn::Or(any, hn::Not(hn::Or(hn::Or(hn::Gt(xMin, hn::Set(d, w.xHigh)), hn::Lt(xMax, hn::Set(d, w.xLow))),
                                             hn::Or(hn::Gt(yMin, hn::Set(d, w.yHigh)), hn::Lt(yMax, hn::Set(d, w.yLow))))));
        if (hn::AllFalse(d, any)) continue;
        for (size_t j = 0; j < N; ++j)
            if (near(xs[i + j - 1], xs[i + j], ys[i + j - 1], ys[i + j])) out.push_back(static_cast<uint32_t>(i + j));
    }
    for (; i < n; ++i)
        if (near(xs[i - 1], xs[i], ys[i - 1], ys[i])) out.push_back(static_cast<uint32_t>(i));
}

void AddImpl(XyStroke& s, const int16_t* HWY_RESTRICT xs, const int16_t* HWY_RESTRICT ys, size_t n, XyLayer& layer) {
    uint8_t* codes = layer.codes.data();
    const int64_t left = layer.left, top = layer.top, width = layer.width;
    const uint8_t code = s.code;
    const auto paint = [=](int64_t x, int64_t y) { codes[(y - top) * width + (x - left)] = code; };
    for (size_t i = 0; i < n; ++i) {
        if (s.boxed) {
            i += Outside(xs + i, ys + i, n - i, s.box);
            if (i == n) break;
        }
        s.pen.To(s.Reach(xs[i], ys[i]), paint);
        s.boxed = true;
    }
}

}  // namespace HWY_NAMESPACE
}  // namespace kivelo
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace kivelo {

HWY_EXPORT(FirstPairOutsideImpl);
HWY_EXPORT(AddImpl);
HWY_EXPORT(PairsNearImpl);

void PairsNear(const int16_t* xs, const int16_t* ys, size_t n, std::span<const XyValueBox> windows,
               std::vector<uint32_t>& out) {
    HWY_DYNAMIC_DISPATCH(PairsNearImpl)(xs, ys, n, windows, out);
}

size_t FirstPairOutside(const int16_t* xs, const int16_t* ys, size_t n, const XyValueBox& box) {
    return HWY_DYNAMIC_DISPATCH(FirstPairOutsideImpl)(xs, ys, n, box);
}

void XyStroke::Add(const int16_t* xs, const int16_t* ys, size_t n, XyLayer& layer) {
    HWY_DYNAMIC_DISPATCH(AddImpl)(*this, xs, ys, n, layer);
}

}  // namespace kivelo
#endif
