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
            any = hn::Or(any,
                         hn::Not(hn::Or(hn::Or(hn::Gt(xMin, hn::Set(d, w.xHigh)), hn::Lt(xMax, hn::Set(d, w.xLow))),
                                        hn::Or(hn::Gt(yMin, hn::Set(d, w.yHigh)), hn::Lt(yMax, hn::Set(d, w.yLow))))));
        if (hn::AllFalse(d, any)) continue;
        for (size_t j = 0; j < N; ++j)
            if (near(xs[i + j - 1], xs[i + j], ys[i + j - 1], ys[i + j])) out.push_back(static_cast<uint32_t>(i + j));
    }
    for (; i < n; ++i)
        if (near(xs[i - 1], xs[i], ys[i - 1], ys[i])) out.push_back(static_cast<uint32_t>(i));
}

// The smallest and largest of each of `blocks` whole blocks of kXyBlock values.
void BlockRangesImpl(const int16_t* HWY_RESTRICT v, size_t blocks, int16_t* HWY_RESTRICT lows,
                     int16_t* HWY_RESTRICT highs) {
#if !HWY_HAVE_SCALABLE && HWY_TARGET != HWY_SCALAR
    const hn::ScalableTag<int16_t> d;
    // As many blocks as a vector has lanes at once: each block's vectors folded
    // into one, then neighbouring lanes folded pairwise across all of them (each
    // fold halves the lanes a block holds and packs two blocks into one vector).
    constexpr size_t K = hn::MaxLanes(d);
    if constexpr (K > 1 && kXyBlock % K == 0) {
        using V = hn::Vec<decltype(d)>;
        for (; blocks >= K; blocks -= K, v += K * kXyBlock, lows += K, highs += K) {
            V low[K], high[K];
            for (size_t j = 0; j < K; ++j) {
                const int16_t* p = v + j * kXyBlock;
                V mn = hn::LoadU(d, p), mx = mn;
                for (size_t i = K; i < kXyBlock; i += K) {
                    const V x = hn::LoadU(d, p + i);
                    mn = hn::Min(mn, x);
                    mx = hn::Max(mx, x);
                }
                low[j] = mn;
                high[j] = mx;
            }
            for (size_t m = K; m > 1; m /= 2)
                for (size_t j = 0; j < m / 2; ++j) {
                    low[j] = hn::Min(hn::ConcatEven(d, low[2 * j + 1], low[2 * j]),
                                     hn::ConcatOdd(d, low[2 * j + 1], low[2 * j]));
                    high[j] = hn::Max(hn::ConcatEven(d, high[2 * j + 1], high[2 * j]),
                                      hn::ConcatOdd(d, high[2 * j + 1], high[2 * j]));
                }
            hn::StoreU(low[0], d, lows);
            hn::StoreU(high[0], d, highs);
        }
    }
#endif
    for (; blocks > 0; --blocks, v += kXyBlock, ++lows, ++highs) {
        const auto [mn, mx] = std::minmax_element(v, v + kXyBlock);
        *lows = *mn;
        *highs = *mx;
    }
}

// The smallest and largest of each of `blocks` pairs (a summary's pairs, in either order).
void PairRangesImpl(const int16_t* HWY_RESTRICT pairs, size_t blocks, int16_t* HWY_RESTRICT lows,
                    int16_t* HWY_RESTRICT highs) {
    const hn::ScalableTag<int16_t> d;
    const size_t N = hn::Lanes(d);
    size_t j = 0;
    for (; j + N <= blocks; j += N) {
        hn::Vec<decltype(d)> a, b;
        hn::LoadInterleaved2(d, pairs + 2 * j, a, b);
        hn::StoreU(hn::Min(a, b), d, lows + j);
        hn::StoreU(hn::Max(a, b), d, highs + j);
    }
    for (; j < blocks; ++j) {
        lows[j] = std::min(pairs[2 * j], pairs[2 * j + 1]);
        highs[j] = std::max(pairs[2 * j], pairs[2 * j + 1]);
    }
}

// For n blocks: the pixels of each block's smallest value (lows) and largest
// value (highs), as the axis works them out, in order and cut to first..last.
void BlockPixelsImpl(const XyAxis& axis, int64_t first, int64_t last, const int16_t* HWY_RESTRICT lows,
                     const int16_t* HWY_RESTRICT highs, int64_t* HWY_RESTRICT low, int64_t* HWY_RESTRICT high,
                     size_t n) {
    const hn::ScalableTag<int64_t> d;
    const hn::Rebind<int32_t, decltype(d)> d32;
    const hn::Rebind<int16_t, decltype(d)> d16;
    const size_t N = hn::Lanes(d);
    const auto per = hn::Set(d, axis.PerValue()), base = hn::Set(d, axis.Base());
    const auto far = hn::Set(d, XyAxis::kFar), nearFar = hn::Set(d, -XyAxis::kFar);
    const auto from = hn::Set(d, first), to = hn::Set(d, last), below = hn::Set(d, (int64_t{1} << 32) - 1);
    const bool down = axis.Down();
    const auto pixel = [&](const int16_t* v) {
        // perValue x v / 2^32, truncated toward zero as Pixel divides.
        const auto p = hn::Mul(per, hn::PromoteTo(d, hn::PromoteTo(d32, hn::LoadU(d16, v))));
        const auto offset = hn::ShiftRight<32>(hn::Add(p, hn::And(hn::ShiftRight<63>(p), below)));
        return hn::Min(hn::Max(down ? hn::Sub(base, offset) : hn::Add(base, offset), nearFar), far);
    };
    size_t j = 0;
    for (; j + N <= n; j += N) {
        const auto a = pixel(lows + j), b = pixel(highs + j);
        hn::StoreU(hn::Max(hn::Min(a, b), from), d, low + j);
        hn::StoreU(hn::Min(hn::Max(a, b), to), d, high + j);
    }
    for (; j < n; ++j) {
        const int64_t a = axis.Pixel(lows[j]), b = axis.Pixel(highs[j]);
        low[j] = std::max(std::min(a, b), first);
        high[j] = std::min(std::max(a, b), last);
    }
}

// The least low and greatest high of each group of kXyGroup of n blocks.
void GroupRangesImpl(const int64_t* HWY_RESTRICT low, const int64_t* HWY_RESTRICT high, size_t n,
                     int64_t* HWY_RESTRICT groupLow, int64_t* HWY_RESTRICT groupHigh) {
    const hn::CappedTag<int64_t, kXyGroup> d;
    const size_t N = hn::Lanes(d);
    size_t g = 0;
    for (; (g + 1) * kXyGroup <= n; ++g) {
        const size_t first = g * kXyGroup;
        auto lo = hn::LoadU(d, low + first), hi = hn::LoadU(d, high + first);
        for (size_t i = N; i < kXyGroup; i += N) {
            lo = hn::Min(lo, hn::LoadU(d, low + first + i));
            hi = hn::Max(hi, hn::LoadU(d, high + first + i));
        }
        groupLow[g] = hn::GetLane(hn::MinOfLanes(d, lo));
        groupHigh[g] = hn::GetLane(hn::MaxOfLanes(d, hi));
    }
    if (g * kXyGroup < n) {
        groupLow[g] = *std::min_element(low + g * kXyGroup, low + n);
        groupHigh[g] = *std::max_element(high + g * kXyGroup, high + n);
    }
}

// The first of rows y0..y1 that holds a pixel before `rank` in columns x0..x1, or
// y1 + 1 when none does. A vector of a row at a time, lanes past the rectangle's
// right edge masked off; one look a row with the same lanes when the rectangle is
// no wider than a vector (most are). A vector that would reach past the layer's
// end is not read: such rows go pixel by pixel.
HWY_INLINE int64_t FirstRowBelowRankImpl(const XyLayer& layer, int64_t x0, int64_t x1, int64_t y0, int64_t y1,
                                         uint8_t rank) {
    const hn::ScalableTag<uint8_t> d;
    const size_t N = hn::Lanes(d), w = static_cast<size_t>(x1 - x0 + 1), stride = static_cast<size_t>(layer.width);
    const auto least = hn::Set(d, rank);
    const uint8_t* end = layer.codes.data() + layer.codes.size();
    const uint8_t* row = layer.codes.data() + (y0 - layer.top) * layer.width + (x0 - layer.left);
    const uint8_t* last = row + (y1 - y0) * layer.width;
    int64_t y = y0;
    if (w <= N && static_cast<size_t>(end - last) >= N) {
        const auto lanes = hn::FirstN(d, w);
        for (; row <= last; row += stride, ++y)
            if (!hn::AllFalse(d, hn::And(hn::Lt(hn::LoadU(d, row), least), lanes))) return y;
        return y;
    }
    for (; y <= y1; ++y, row += stride) {
        size_t x = 0;
        for (const size_t room = static_cast<size_t>(end - row); x < w && x + N <= room; x += N) {
            const auto gap = hn::Lt(hn::LoadU(d, row + x), least);
            if (!hn::AllFalse(d, x + N <= w ? gap : hn::And(gap, hn::FirstN(d, w - x)))) return y;
        }
        for (; x < w; ++x)
            if (row[x] < rank) return y;
    }
    return y;
}

// The offsets of the values v from the pixel of their axis's base, on an axis
// whose pixels fit 16 bits: trunc(perValue x v / 2^32) is the high half of (high x
// |v|) x 2^16 + low x |v|, high and low the halves of perValue, whose two products
// fit 32 bits.
template <class D, class V>
HWY_INLINE V SixteenBitOffsets(D d, V v, const XyAxis& axis) {
    const hn::RebindToUnsigned<D> du;
    const auto high = hn::Set(du, static_cast<uint16_t>(axis.PerValue() >> 16)),
               low = hn::Set(du, static_cast<uint16_t>(axis.PerValue() & 0xFFFF));
    const auto m = hn::BitCast(du, hn::Abs(v));  // |-32768| as 32768
    const auto part = hn::Mul(high, m), carried = hn::Add(part, hn::MulHigh(low, m));
    const auto q = hn::BitCast(d, hn::Sub(hn::MulHigh(high, m), hn::VecFromMask(du, hn::Lt(carried, part))));
    return hn::IfThenElse(hn::Lt(v, hn::Zero(d)), hn::Neg(q), q);
}
// Their pixels: the base's, less the offsets going down, plus them going up.
template <class D, class V>
HWY_INLINE V SixteenBitPixels(D d, V v, const XyAxis& axis) {
    const auto base = hn::Set(d, static_cast<int16_t>(axis.Base())), offset = SixteenBitOffsets(d, v, axis);
    return axis.Down() ? hn::Sub(base, offset) : hn::Add(base, offset);
}

void XyPixelsOfImpl(const XyAxis& axis, const int16_t* HWY_RESTRICT values, size_t n, int16_t* HWY_RESTRICT out) {
    const hn::ScalableTag<int16_t> d;
    const size_t N = hn::Lanes(d);
    size_t i = 0;
    for (; i + N <= n; i += N) hn::StoreU(SixteenBitPixels(d, hn::LoadU(d, values + i), axis), d, out + i);
    for (; i < n; ++i) out[i] = static_cast<int16_t>(axis.Pixel(values[i]));
}

// The least lane of each of four vectors, folded together: neighbouring lanes
// taken pairwise across all four at once, as the summaries fold their blocks.
template <class D>
HWY_INLINE void LeastOfEach(D d, const hn::Vec<D>* v, int16_t* least) {
#if !HWY_HAVE_SCALABLE && HWY_TARGET != HWY_SCALAR
    constexpr size_t N = hn::MaxLanes(d);
    if constexpr (N >= 4) {
        const auto pairwise = [d](hn::Vec<D> hi, hn::Vec<D> lo)
                                  HWY_ATTR { return hn::Min(hn::ConcatEven(d, hi, lo), hn::ConcatOdd(d, hi, lo)); };
        // A quarter of the lanes for each vector, in order, then halved until one lane is left of each.
        auto m = pairwise(pairwise(v[3], v[2]), pairwise(v[1], v[0]));
        for (size_t lanes = N / 4; lanes > 1; lanes /= 2) m = pairwise(m, m);
        HWY_ALIGN int16_t lanes[N];
        hn::Store(m, d, lanes);
        for (size_t k = 0; k < 4; ++k) least[k] = lanes[k];
        return;
    }
#endif
    for (size_t k = 0; k < 4; ++k) least[k] = hn::GetLane(hn::MinOfLanes(d, v[k]));
}

// Whether every pixel of rectangle x0..x1, y0..y1 that the lines through the
// pairs of columns xPixels[i] and values ys[i] (i < n), and from the pair
// `before` when there is one, can reach holds `rank` or a later one. A line's
// pixels keep x + y and x - y between those of its ends (the steps move one
// pixel along the longer axis and round the other), so they lie in the octagon
// that those of the pairs span. The rows' axis must fit 16 bits; a rectangle at
// the area's edge is not told (a line cut there starts from a rounded point).
// Rows before `fromRow` are known to hold `rank` or a later one in x0..x1.
bool OctagonAtRankImpl(const XyAxis& rowAxis, const XyBox& box, const int16_t* HWY_RESTRICT xPixels,
                       const int16_t* HWY_RESTRICT ys, size_t n, const XyPoint* before, const XyLayer& layer,
                       int64_t x0, int64_t x1, int64_t y0, int64_t y1, int64_t fromRow, uint8_t rank) {
    if (x0 <= box.left + 1 || x1 >= box.right - 1 || y0 <= box.top + 1 || y1 >= box.bottom - 1) return false;
    const hn::ScalableTag<int16_t> d;
    const size_t N = hn::Lanes(d);
    // Of x - o and x + o, o the rows' offset from their base (y = base + o, or
    // base - o going down): the least and greatest, each inside 16 bits as x and o
    // are inside 14. The base is added after.
    auto lowMinus = hn::Set(d, INT16_MAX), lowPlus = lowMinus, highMinus = hn::Set(d, INT16_MIN), highPlus = highMinus;
    size_t i = 0;
    for (; i + N <= n; i += N) {
        const auto px = hn::LoadU(d, xPixels + i), offset = SixteenBitOffsets(d, hn::LoadU(d, ys + i), rowAxis);
        const auto minus = hn::Sub(px, offset), plus = hn::Add(px, offset);
        lowMinus = hn::Min(lowMinus, minus);
        highMinus = hn::Max(highMinus, minus);
        lowPlus = hn::Min(lowPlus, plus);
        highPlus = hn::Max(highPlus, plus);
    }
    int64_t dLow = INT64_MAX, dHigh = INT64_MIN, eLow = INT64_MAX, eHigh = INT64_MIN;
    if (i > 0) {
        const hn::Vec<decltype(d)> least[4] = {lowMinus, hn::Neg(highMinus), lowPlus, hn::Neg(highPlus)};
        int16_t folded[4];
        LeastOfEach(d, least, folded);
        // x + y is the base plus x + o (x - o going down), x - y that of the other less the base.
        const int64_t base = rowAxis.Base(), minusLow = folded[0], minusHigh = -int64_t{folded[1]}, plusLow = folded[2],
                      plusHigh = -int64_t{folded[3]};
        const bool down = rowAxis.Down();
        dLow = base + (down ? minusLow : plusLow);
        dHigh = base + (down ? minusHigh : plusHigh);
        eLow = (down ? plusLow : minusLow) - base;
        eHigh = (down ? plusHigh : minusHigh) - base;
    }
    const auto take = [&](int64_t px, int64_t py) {
        dLow = std::min(dLow, px + py);
        dHigh = std::max(dHigh, px + py);
        eLow = std::min(eLow, px - py);
        eHigh = std::max(eHigh, px - py);
    };
    for (; i < n; ++i) take(xPixels[i], rowAxis.Pixel(ys[i]));
    if (before) take(before->x, before->y);
    for (int64_t y = std::max(y0, fromRow); y <= y1; ++y) {
        const int64_t from = std::max({x0, dLow - y, eLow + y}), to = std::min({x1, dHigh - y, eHigh + y});
        if (from <= to && FirstRowBelowRankImpl(layer, from, to, y, y, rank) == y) return false;
    }
    return true;
}

void AddBackwardImpl(XyStroke& s, const int16_t* HWY_RESTRICT xs, const int16_t* HWY_RESTRICT ys, size_t n,
                     XyBlockReach& columns, const XyBlockReach& rows, XyLayer& layer) {
    uint8_t* codes = layer.codes.data();
    const int64_t left = layer.left, top = layer.top, width = layer.width;
    const uint8_t rank = s.rank;
    const XyBox& box = s.pen.Box();
    const auto paint = [=](int64_t x, int64_t y) {
        uint8_t& c = codes[(y - top) * width + (x - left)];
        c = std::max(c, rank);
    };
    // Whether block j reaches any pixel inside the area.
    const auto reaches = [&](size_t j) { return columns.low[j] <= columns.high[j] && rows.low[j] <= rows.high[j]; };
    std::vector<XyPoint>& points = s.points;
    const XyAxis &columnAxis = s.columns->Axis(), &rowAxis = s.rows->Axis();
    const bool octagons = columnAxis.SixteenBitPixels() && rowAxis.SixteenBitPixels();
    if (octagons && columns.pixels.size() < n) columns.pixels.resize(n);
    // Whether the lines of block j, whose rectangle holds a pixel of an earlier
    // rank, reach none: most such rectangles are of lines that step diagonally.
    const auto octagonAtRank = [&](size_t j, int64_t x0, int64_t x1, int64_t y0, int64_t y1, int64_t fromRow) {
        const size_t start = j * kXyBlock, count = std::min(n, start + kXyBlock) - start;
        if (!columns.pixelsKnown[j]) {
            XyPixelsOfImpl(columnAxis, xs + start, count, columns.pixels.data() + start);
            columns.pixelsKnown[j] = 1;
        }
        const XyPoint before =
            j > 0 ? XyPoint{columnAxis.Pixel(xs[start - 1]), rowAxis.Pixel(ys[start - 1])} : XyPoint{};
        return OctagonAtRankImpl(rowAxis, box, columns.pixels.data() + start, ys + start, count,
                                 j > 0 ? &before : nullptr, layer, x0, x1, y0, y1, fromRow, rank);
    };
    // Rows before `fromRow` are known to hold this rank or a later one across the block's rectangle.
    const auto block = [&](size_t j, int64_t fromRow) {
        // Lines never leave the rectangle of their ends: a block whose rectangle
        // holds no pixel of an earlier rank inside the area paints nothing.
        if (!reaches(j)) return;
        const int64_t x0 = columns.low[j], x1 = columns.high[j], y0 = rows.low[j], y1 = rows.high[j];
        if ((x1 - x0 + 1) * (y1 - y0 + 1) <= XyStroke::kLookedAt) {
            const int64_t below = FirstRowBelowRankImpl(layer, x0, x1, std::max(y0, fromRow), y1, rank);
            if (below > y1 || (octagons && octagonAtRank(j, x0, x1, y0, y1, below))) return;
        }
        // The block's points in order from the pair before it, each on another pixel than the one before.
        const size_t from = j > 0 ? j * kXyBlock - 1 : 0, e = std::min(n, (j + 1) * kXyBlock);
        points.clear();
        points.push_back(s.Reach(xs[from], ys[from]));
        for (size_t i = from + 1; i < e; ++i) {
            i += Outside(xs + i, ys + i, e - i, s.box);
            if (i == e) break;
            const XyPoint p = s.Reach(xs[i], ys[i]);
            if (p.x != points.back().x || p.y != points.back().y) points.push_back(p);
        }
        for (size_t k = points.size() - 1; k-- > 0;) {
            const XyPoint &a = points[k], &z = points[k + 1];
            s.pen.Join(a, box.Inside(a.x, a.y), z, box.Inside(z.x, z.y), paint);
        }
    };
    // Where a line moves slowly, the rectangle of a group of blocks is painted as
    // a whole more often than not: one look passes all of them.
    const size_t blocks = std::min(columns.Blocks(), rows.Blocks());
    for (size_t g = (blocks + kXyGroup - 1) / kXyGroup; g-- > 0;) {
        const size_t first = g * kXyGroup, past = std::min(blocks, first + kXyGroup);
        // The group's rectangle holds those of its blocks that reach the area (a
        // block that does not reach it on one axis may widen it on the other).
        const int64_t x0 = columns.groupLow[g], x1 = columns.groupHigh[g], y0 = rows.groupLow[g],
                      y1 = rows.groupHigh[g];
        if (x0 > x1 || y0 > y1) continue;
        // The group's rows before the first holding an earlier rank hold none in any of its blocks.
        int64_t below = INT64_MIN;
        if ((x1 - x0 + 1) * (y1 - y0 + 1) <= static_cast<int64_t>(kXyGroup) * XyStroke::kLookedAt) {
            below = FirstRowBelowRankImpl(layer, x0, x1, y0, y1, rank);
            if (below > y1) continue;
        }
        for (size_t j = past; j-- > first;) block(j, below);
    }
}

}  // namespace HWY_NAMESPACE
}  // namespace kivelo
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace kivelo {

HWY_EXPORT(FirstPairOutsideImpl);
HWY_EXPORT(AddBackwardImpl);
HWY_EXPORT(BlockRangesImpl);
HWY_EXPORT(PairsNearImpl);
HWY_EXPORT(FirstRowBelowRankImpl);
HWY_EXPORT(BlockPixelsImpl);
HWY_EXPORT(PairRangesImpl);
HWY_EXPORT(GroupRangesImpl);
HWY_EXPORT(XyPixelsOfImpl);

void XyPixelsOf(const XyAxis& axis, const int16_t* values, size_t n, int16_t* out) {
    HWY_DYNAMIC_DISPATCH(XyPixelsOfImpl)(axis, values, n, out);
}

int64_t FirstRowBelowRank(const XyLayer& layer, int64_t x0, int64_t x1, int64_t y0, int64_t y1, uint8_t rank) {
    return HWY_DYNAMIC_DISPATCH(FirstRowBelowRankImpl)(layer, x0, x1, y0, y1, rank);
}

void PairsNear(const int16_t* xs, const int16_t* ys, size_t n, std::span<const XyValueBox> windows,
               std::vector<uint32_t>& out) {
    HWY_DYNAMIC_DISPATCH(PairsNearImpl)(xs, ys, n, windows, out);
}

size_t FirstPairOutside(const int16_t* xs, const int16_t* ys, size_t n, const XyValueBox& box) {
    return HWY_DYNAMIC_DISPATCH(FirstPairOutsideImpl)(xs, ys, n, box);
}

void XyBlockReach::Of(const int16_t* values, size_t n, const XyPixelRuns& runs, int64_t first, int64_t last,
                      std::span<const int16_t> wholePairs) {
    const size_t blocks = (n + kXyBlock - 1) / kXyBlock, whole = n / kXyBlock;
    low.resize(blocks);
    high.resize(blocks);
    lows.resize(blocks);
    highs.resize(blocks);
    if (wholePairs.size() == 2 * whole) {
        HWY_DYNAMIC_DISPATCH(PairRangesImpl)(wholePairs.data(), whole, lows.data(), highs.data());
    } else {
        HWY_DYNAMIC_DISPATCH(BlockRangesImpl)(values, whole, lows.data(), highs.data());
    }
    if (whole < blocks) {
        const auto [mn, mx] = std::minmax_element(values + whole * kXyBlock, values + n);
        lows[whole] = *mn;
        highs[whole] = *mx;
    }
    for (size_t j = 1; j < blocks; ++j) {  // the line from the value before the block
        const int16_t v = values[j * kXyBlock - 1];
        lows[j] = std::min(lows[j], v);
        highs[j] = std::max(highs[j], v);
    }
    HWY_DYNAMIC_DISPATCH(BlockPixelsImpl)
    (runs.Axis(), first, last, lows.data(), highs.data(), low.data(), high.data(), blocks);
    groupLow.resize((blocks + kXyGroup - 1) / kXyGroup);
    groupHigh.resize(groupLow.size());
    HWY_DYNAMIC_DISPATCH(GroupRangesImpl)(low.data(), high.data(), blocks, groupLow.data(), groupHigh.data());
    pixelsKnown.assign(blocks, 0);
}

void XyStroke::AddBackward(const int16_t* xs, const int16_t* ys, size_t n, XyBlockReach& columns,
                           const XyBlockReach& rows, XyLayer& layer) {
    HWY_DYNAMIC_DISPATCH(AddBackwardImpl)(*this, xs, ys, n, columns, rows, layer);
}

void XyStroke::JoinBackward(int16_t x0, int16_t y0, int16_t x1, int16_t y1, XyLayer& layer) {
    const XyPoint a = Reach(x0, y0), b = Reach(x1, y1);
    if (a.x == b.x && a.y == b.y) return;  // on one pixel: no line
    const XyBox& box = pen.Box();
    pen.Join(a, box.Inside(a.x, a.y), b, box.Inside(b.x, b.y), [&](int64_t x, int64_t y) { Paint(x, y, layer); });
}

void XyStroke::Paint(int64_t x, int64_t y, XyLayer& layer) const {
    uint8_t& c = layer.codes[static_cast<size_t>((y - layer.top) * layer.width + (x - layer.left))];
    c = std::max(c, rank);
}

void XyStroke::PaintFirst(int16_t x, int16_t y, XyLayer& layer) {
    const XyPoint p = Reach(x, y);
    if (pen.Box().Inside(p.x, p.y)) Paint(p.x, p.y, layer);
}

}  // namespace kivelo
#endif
