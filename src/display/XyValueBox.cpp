// Built with Highway once per instruction set of the platform; the best one
// the processor runs is chosen at the first call.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "display/XyValueBox.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "display/XyValueBox.h"

HWY_BEFORE_NAMESPACE();
namespace kivelo {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

size_t FirstPairOutsideImpl(const int16_t* HWY_RESTRICT xs, const int16_t* HWY_RESTRICT ys, size_t n, int16_t xLow,
                            int16_t xHigh, int16_t yLow, int16_t yHigh) {
    const hn::ScalableTag<int16_t> d;
    const size_t N = hn::Lanes(d);
    const auto xl = hn::Set(d, xLow), xh = hn::Set(d, xHigh), yl = hn::Set(d, yLow), yh = hn::Set(d, yHigh);
    const auto outside = [&](size_t i) {
        const auto x = hn::LoadU(d, xs + i), y = hn::LoadU(d, ys + i);
        return hn::Or(hn::Or(hn::Lt(x, xl), hn::Gt(x, xh)), hn::Or(hn::Lt(y, yl), hn::Gt(y, yh)));
    };
    size_t i = 0;
    // Two vectors a step: the common case is a long run that never leaves.
    for (; i + 2 * N <= n; i += 2 * N) {
        const auto a = outside(i), b = outside(i + N);
        if (!hn::AllFalse(d, hn::Or(a, b))) {
            if (!hn::AllFalse(d, a)) return i + hn::FindKnownFirstTrue(d, a);
            return i + N + hn::FindKnownFirstTrue(d, b);
        }
    }
    for (; i < n; ++i)
        if (xs[i] < xLow || xs[i] > xHigh || ys[i] < yLow || ys[i] > yHigh) return i;
    return n;
}

}  // namespace HWY_NAMESPACE
}  // namespace kivelo
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace kivelo {

HWY_EXPORT(FirstPairOutsideImpl);

size_t FirstPairOutside(const int16_t* xs, const int16_t* ys, size_t n, const XyValueBox& box) {
    return HWY_DYNAMIC_DISPATCH(FirstPairOutsideImpl)(xs, ys, n, box.xLow, box.xHigh, box.yLow, box.yHigh);
}

}  // namespace kivelo
#endif
