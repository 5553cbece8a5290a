#include "display/Envelope.h"

#include <algorithm>

namespace kivelo {

std::vector<int32_t> StretchPoints(std::span<const int16_t> points, int minCount, bool hold, int spanIntervals) {
    const int64_t p = static_cast<int64_t>(points.size());
    std::vector<int32_t> out;
    if (p < 3 || minCount <= 0) {
        out.assign(points.begin(), points.end());
        return out;
    }
    const int64_t m = (static_cast<int64_t>(minCount) + 1) / 2;
    const int64_t intervals = spanIntervals <= 0 ? p - 1 : std::min<int64_t>(spanIntervals, p - 1);
    // 16.16 output points per interval.
    const int64_t step = (m << 17) / intervals;
    out.reserve(static_cast<size_t>((p - 1) * ((step >> 16) + 1) + 1));
    int64_t acc = 0;
    for (int64_t i = 0; i + 1 < p; ++i) {
        const int64_t a = points[static_cast<size_t>(i)];
        const int64_t b = points[static_cast<size_t>(i + 1)];
        acc += step;
        const int64_t n = acc >> 16;
        acc &= 0xFFFF;
        if (n <= 0) continue;
        const int64_t slope = (b - a) * 32768 / n;
        for (int64_t k = 0; k < n; ++k) {
            out.push_back(static_cast<int32_t>(hold ? a : a + (k * slope) / 32768));
        }
    }
    out.push_back(points.back());
    while (static_cast<int64_t>(out.size()) < minCount) out.push_back(points.back());
    return out;
}

namespace {

// Pairs from consecutive values; analogue pairs are ordered and joined.
template <typename T>
void PairUp(const T* values, size_t count, bool logic, std::vector<EnvelopePair>& pairs) {
    pairs.resize(count);
    EnvelopePair* out = pairs.data();
    for (size_t i = 0; i < count; ++i) {
        EnvelopePair cur{values[2 * i], values[2 * i + 1]};
        if (!logic) {
            if (cur.lo > cur.hi) std::swap(cur.lo, cur.hi);
            if (i > 0) {
                const EnvelopePair& prev = out[i - 1];
                if (prev.lo > cur.hi) {
                    cur.hi = prev.lo;
                } else if (prev.hi < cur.lo) {
                    cur.lo = prev.hi;
                }
            }
        }
        out[i] = cur;
    }
}

}  // namespace

std::vector<EnvelopePair> BuildEnvelope(std::span<const int16_t> points, int pairCount, bool logic, int spanIntervals) {
    std::vector<EnvelopePair> pairs;
    if (points.empty() || pairCount <= 0) return pairs;
    const size_t want = static_cast<size_t>(pairCount);

    if (points.size() < 3) {
        // Too few points to interpolate: a flat trace at the first point.
        pairs.assign(want, EnvelopePair{points[0], points[0]});
        return pairs;
    }
    if (2 * want <= points.size()) {
        PairUp(points.data(), want, logic, pairs);
    } else {
        const std::vector<int32_t> values = StretchPoints(points, static_cast<int>(2 * want), logic, spanIntervals);
        PairUp(values.data(), std::min(want, values.size() / 2), logic, pairs);
    }
    return pairs;
}

}  // namespace kivelo
