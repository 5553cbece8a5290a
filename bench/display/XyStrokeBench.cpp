// The processor's part of a long XY figure, no file read: seven traces' lines
// through 16M sample pairs each drawn backward run by run into one layer, as
// the figure's first draw does. The pairs are the bench record's slow sines with
// a small saw on them, in memory, their blocks' extremes known as the summaries
// give them; most blocks of pairs reach only pixels painted already. A measure
// of drawing alone, for comparing builds; it states no ratio.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "display/XyAxis.h"
#include "display/XyFigureCache.h"
#include "display/XyPixelRuns.h"
#include "display/XyStroke.h"

namespace {

using namespace kivelo;

constexpr int64_t kPairs = int64_t{16} << 20;
constexpr int kYTraces = 7;

// Trace t as the bench record writes it.
std::vector<int16_t> SlowSine(int t) {
    std::vector<int16_t> v(static_cast<size_t>(kPairs));
    const double w = 1e-5 * (t + 1);
    for (int64_t s = 0; s < kPairs; ++s)
        v[static_cast<size_t>(s)] =
            static_cast<int16_t>(20000.0 * std::sin(static_cast<double>(s) * w) + static_cast<double>(s % 997));
    return v;
}

// The pair of each whole block (its smallest and largest value), as the summaries hand them over.
struct Extremes {
    std::vector<int16_t> pairs;
    explicit Extremes(const std::vector<int16_t>& v) {
        for (size_t b = 0; b + kXyBlock <= v.size(); b += kXyBlock) {
            const auto [lo, hi] = std::minmax_element(v.begin() + static_cast<std::ptrdiff_t>(b),
                                                      v.begin() + static_cast<std::ptrdiff_t>(b + kXyBlock));
            pairs.push_back(*lo);
            pairs.push_back(*hi);
        }
    }
    std::span<const int16_t> Pairs(int64_t at, size_t n) const {
        return {pairs.data() + 2 * (at / kXyBlock), 2 * (n / kXyBlock)};
    }
};

void BM_XyStrokesBackward(benchmark::State& state) {
    static const std::vector<std::vector<int16_t>> traces = [] {
        std::vector<std::vector<int16_t>> v;
        for (int t = 0; t <= kYTraces; ++t) v.push_back(SlowSine(t));
        return v;
    }();
    static const std::vector<Extremes> extremes(traces.begin(), traces.end());
    // The XY area of a 1280 x 1024 frame.
    const XyBox box{0, 0, 560, 440};
    const XyPixelRuns columns(XyAxis(65536, 0, 560, 0, false), box.left, box.right);
    const XyPixelRuns rows(XyAxis(65536, 0, 440, 0, true), box.top, box.bottom);
    constexpr int64_t kRun = XyFigureCache::kRun;
    std::vector<int16_t> xRun, yRun;
    for (auto _ : state) {
        XyLayer layer{box.left, box.top, box.right - box.left,
                      std::vector<uint8_t>(static_cast<size_t>((box.right - box.left) * (box.bottom - box.top)))};
        std::vector<XyStroke> strokes;
        for (int k = 0; k < kYTraces; ++k) strokes.emplace_back(columns, rows, box, static_cast<uint8_t>(k + 1));
        XyBlockReach columnReach;
        for (int64_t at = (kPairs - 1) / kRun * kRun; at >= 0; at -= kRun) {
            const auto n = static_cast<size_t>(std::min(kRun, kPairs - at));
            // Copied run by run as a read copies them: the drawing finds them in the cache.
            const auto from = static_cast<size_t>(at > 0 ? at - 1 : 0),
                       count = n + static_cast<size_t>(at - static_cast<int64_t>(from));
            xRun.assign(traces[0].begin() + from, traces[0].begin() + from + count);
            const int16_t* xs = xRun.data() + (at - static_cast<int64_t>(from));
            columnReach.Of(xs, n, columns, box.left + 1, box.right - 1, extremes[0].Pairs(at, n));
            for (int k = kYTraces; k-- > 0;) {
                XyStroke& s = strokes[static_cast<size_t>(k)];
                const std::vector<int16_t>& y = traces[static_cast<size_t>(k) + 1];
                yRun.assign(y.begin() + from, y.begin() + from + count);
                const int16_t* ys = yRun.data() + (at - static_cast<int64_t>(from));
                const Extremes& e = extremes[static_cast<size_t>(k) + 1];
                s.rowReach.Of(ys, n, rows, box.top + 1, box.bottom - 1, e.Pairs(at, n));
                s.AddBackward(xs, ys, n, columnReach, s.rowReach, layer);
                if (at > 0) s.JoinBackward(xs[-1], ys[-1], xs[0], ys[0], layer);
            }
        }
        benchmark::DoNotOptimize(layer.codes.data());
    }
    state.counters["pairs_per_s"] =
        benchmark::Counter(static_cast<double>(kPairs) * kYTraces, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

BENCHMARK(BM_XyStrokesBackward)->Unit(benchmark::kMillisecond);
