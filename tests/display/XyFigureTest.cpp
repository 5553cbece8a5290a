// The XY figure of a long range, drawn through runs of values per pixel on one or
// several threads (dense figures from the end backward), against the same figure
// worked out point by point run by run.
#include <gtest/gtest.h>

#include <hwy/targets.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "Wavegen.h"
#include "common/TempDir.h"
#include "display/DisplayPointLoader.h"
#include "display/XyAxis.h"
#include "display/XyFigureCache.h"
#include "display/XyPixelRuns.h"
#include "display/XyPlot.h"
#include "display/XyStroke.h"
#include "wavefile/SummaryStore.h"

namespace kivelo {
namespace {

// Every sample pair of the range, run by run, each position worked out by itself.
void DrawPointByPoint(RasterPlane& plane, const CWaveFile& file, const ViewArea& area, const TraceSet& set,
                      const OnOffTable& table, int xIndex, const XyRange& range) {
    std::vector<std::optional<XyPoint>> carries(kTraceCount);
    SampleRun xs, ys;
    for (int64_t at = range.start; at < range.start + range.count; at += XyFigureCache::kRun) {
        const int64_t n = std::min(XyFigureCache::kRun, range.start + range.count - at);
        if (!ReadSamples(set[xIndex], file, range.record, ChannelOf(table, xIndex), at, n, xs)) break;
        const std::vector<int64_t> columns = XyColumns(area, set[xIndex], xs);
        for (int i = 0; i < kTraceCount; ++i) {
            if (table[static_cast<size_t>(i)] != kTraceOn || i == xIndex) continue;
            if (!ReadSamples(set[i], file, range.record, ChannelOf(table, i), at, n, ys)) continue;
            const size_t m = std::min(columns.size(), ys.size());
            DrawXYRun(plane, area, set[i], std::span<const int64_t>(columns).first(m),
                      std::span<const int16_t>(ys).first(m), set[i].colour, carries[static_cast<size_t>(i)]);
        }
    }
}

struct Case {
    std::string name;
    std::string types;  // of the traces, in wavegen's notation
    wavegen::Signal signal;
    int32_t zoom;      // vertical zoom of every trace, 16.16
    int32_t position;  // vertical position of the plotted traces
    int64_t start, count;
    int threads;
    double amplitude = 0.8;  // of full scale
    std::optional<wavegen::Signal> last = std::nullopt;  // of the last trace, when it differs
};

TEST(XyFigureTest, LongFigureIsThePointByPointFigure) {
    constexpr int64_t kSamples = (int64_t{1} << 20) + 12345;
    const std::vector<Case> cases = {
        {"sine, whole record", "IS2,IS2,IS2,IS2", wavegen::Signal::Sine, 67109, 0, 0, kSamples, 1},
        {"sine, two threads", "IS2,IS2,IS2,IS2", wavegen::Signal::Sine, 67109, 0, 0, kSamples, 2},
        {"noise, odd stretch, three threads", "IS2,IS2,IS2", wavegen::Signal::Noise, 65536, 0, 7, kSamples - 100, 3},
        {"zoomed: lines cut at the edge", "IS2,IS2,IS2", wavegen::Signal::Noise, 65536 * 4, 900, 5, kSamples - 5, 2},
        {"byte-wide, unsigned and wide kinds", "IU1,IS1,IU2,IS4", wavegen::Signal::Ramp, 70000, -20, 0, kSamples, 2},
        {"range past the record's end", "IS2,IS2", wavegen::Signal::Noise, 65536, 0, 12345, int64_t{2} << 20, 2},
        {"zoomed 40 times: many points beyond the area", "IS2,IS2,IS2", wavegen::Signal::Noise, 65536 * 40, 5, 0,
         kSamples, 2, 0.04},
        {"zoomed: a smooth figure leaving the area and coming back", "IS2,IS2,IS2", wavegen::Signal::Sine, 65536 * 2,
         0, 0, kSamples, 2},
        // Figures without holes: each stretch's last runs drawn first, then the last line through each pixel left.
        {"dense: noise on one thread", "IS2,IS2,IS2", wavegen::Signal::Noise, 65536, 0, 0, kSamples, 1},
        {"dense: noise shifted per trace", "IS2,IS2,IS2,IS2", wavegen::Signal::Noise, 65536, 2500, 3, kSamples - 3, 2},
        {"dense: a ramp sweeping over noise", "IS2,IS2,IS2", wavegen::Signal::Noise, 65536, 0, 0, kSamples, 2, 0.8,
         wavegen::Signal::Ramp},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        wavegen::WvfDesc desc;
        desc.traces = wavegen::MakeTraces(static_cast<int>(std::count(c.types.begin(), c.types.end(), ',')) + 1,
                                          c.types, c.signal, 90000);
        for (size_t i = 0; i < desc.traces.size(); ++i) {
            desc.traces[i].signal.period = 90000 + 37 * static_cast<int64_t>(i);
            desc.traces[i].signal.seed = i + 1;
            desc.traces[i].signal.amplitude = c.amplitude;
        }
        if (c.last) desc.traces.back().signal.kind = *c.last;
        desc.blocks = 1;
        desc.samples = kSamples;
        const std::string path = dir.File("xy.wvf");
        ASSERT_TRUE(wavegen::WriteWvf(path, desc));
        SummaryStore store(0);
        store.SetThreads(c.threads);
        CWaveFile file;
        ASSERT_EQ(file.Open(path, 0), -1);
        file.SetSummaryStore(&store);
        ASSERT_EQ(file.WorkThreads(), c.threads);

        ViewArea area;
        area.SetWindow(0, 0, 400, 400);
        area.SetArea(10, 16, 254, 254);
        TraceSet set;
        OnOffTable table;
        table.fill(kTraceAbsent);
        for (size_t i = 0; i < desc.traces.size(); ++i) {
            const int t = static_cast<int>(i);
            table[i] = kTraceOn;
            set[t].verticalZoom = c.zoom;
            set[t].verticalPosition = t == 0 ? 0 : c.position * t;
            set[t].colour = static_cast<uint32_t>(t + 1);
            set[t].bytesPerSample = static_cast<uint8_t>(c.types[4 * i + 2] - '0');
            set[t].isSigned = c.types[4 * i + 1] == 'S' ? 1 : 0;
        }
        const XyRange range{1, 0, c.start, c.count};
        ASSERT_GE(range.count, XyFigureCache::kLongFrom);
        RasterPlane expected, drawn;
        DrawPointByPoint(expected, file, area, set, table, 0, range);
        XyFigureCache figure;
        figure.Draw(drawn, file, area, set, table, 0, range);
        EXPECT_EQ(figure.FiguresDrawn(), 1);
        int painted = 0, differ = 0;
        std::string first;
        for (int y = 0; y < drawn.Height(); ++y)
            for (int x = 0; x < drawn.Width(); ++x) {
                if (drawn.At(x, y) != expected.At(x, y) && differ++ == 0)
                    first = std::to_string(x) + "," + std::to_string(y);
                painted += drawn.At(x, y) != 0;
            }
        EXPECT_EQ(differ, 0) << "first at " << first;
        EXPECT_GT(painted, 100);
    }
}

// The scan that passes pairs staying on one pixel, on every instruction set the
// processor runs, against the plain rule: random boxes, runs that leave at every
// lane, at the last sample and never, from misaligned starts.
TEST(XyValueBox, FirstPairOutsideOnEveryInstructionSet) {
    std::mt19937 random(11);
    std::vector<int16_t> xs(1000), ys(1000);
    for (const int64_t target : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        SCOPED_TRACE(hwy::TargetName(target));
        for (int trial = 0; trial < 300; ++trial) {
            const auto a = static_cast<int16_t>(random()), b = static_cast<int16_t>(random());
            const XyValueBox box{std::min(a, b), std::max(a, b), static_cast<int16_t>(std::min(a, b) / 2),
                                 static_cast<int16_t>(std::max(a, b) / 2)};
            for (size_t i = 0; i < xs.size(); ++i) {
                xs[i] = static_cast<int16_t>(box.xLow + static_cast<int>(random() % (box.xHigh - box.xLow + 1u)));
                ys[i] = static_cast<int16_t>(box.yLow + static_cast<int>(random() % (box.yHigh - box.yLow + 1u)));
            }
            const size_t leave = random() % (xs.size() + 1), start = random() % 40;
            if (leave < xs.size()) {
                if (trial % 2 && box.xHigh < 32767) xs[leave] = static_cast<int16_t>(box.xHigh + 1);
                else if (box.yLow > -32768) ys[leave] = static_cast<int16_t>(box.yLow - 1);
            }
            size_t expected = xs.size() - start;
            for (size_t i = start; i < xs.size(); ++i)
                if (xs[i] < box.xLow || xs[i] > box.xHigh || ys[i] < box.yLow || ys[i] > box.yHigh) {
                    expected = i - start;
                    break;
                }
            ASSERT_EQ(FirstPairOutside(xs.data() + start, ys.data() + start, xs.size() - start, box), expected)
                << "trial " << trial;
        }
    }
    hwy::SetSupportedTargetsForTest(0);
}

// The plot's positions as they were worked out in floating point, exact while
// zoom x size x value stays below 2^53.
int64_t FloatingPixel(int32_t zoom, int32_t position, int size, int start, bool down, int v) {
    const double scale = static_cast<double>(zoom) * size / 65536.0;
    const double centre = std::trunc(position * scale / 65536.0), offset = std::trunc(scale * v / 65536.0);
    const double half = size / 2, far = XyAxis::kFar;
    return static_cast<int64_t>(std::clamp(down ? centre + half + start - offset : offset + half - centre + start,
                                           -far, far));
}

TEST(XyAxisTest, WholeNumberPositionsAreTheFloatingOnesAndMonotonic) {
    for (const int32_t zoom : {1, 3, 65536, 67109, 70000, 65536 * 4, 1 << 24, 1 << 26, INT32_MAX})
        for (const int size : {0, 1, 254, 255, 1000, 16384})
            for (const int32_t position : {0, 900, -900, 1 << 20, -(1 << 24), INT32_MAX, INT32_MIN})
                for (const bool down : {false, true}) {
                    SCOPED_TRACE(testing::Message() << zoom << " x " << size << " at " << position << (down ? " down" : ""));
                    const XyAxis axis(zoom, position, size, 10, down);
                    int64_t before = axis.Pixel(-32768);
                    for (int v = -32768; v <= 32767; v += v > -32000 && v < 32000 ? 7 : 1) {
                        const int64_t pixel = axis.Pixel(v);
                        ASSERT_LE(std::llabs(pixel), XyAxis::kFar);
                        ASSERT_TRUE(down ? pixel <= before : pixel >= before) << v;
                        before = pixel;
                        const double product = static_cast<double>(zoom) * size * std::abs(v);
                        if (product < 0x1p53) ASSERT_EQ(pixel, FloatingPixel(zoom, position, size, 10, down, v)) << v;
                    }
                }
}

// The values whose lines can span a pixel, against the pixels of random pairs of
// values, across zooms, directions and pixels inside, at and beyond the area.
TEST(XyAxisTest, ValuesReachingAPixelAreThoseOfTheLinesSpanningIt) {
    std::mt19937 rnd(5);
    for (const int32_t zoom : {3, 65536, 67109, 65536 * 40, 1 << 26})
        for (const bool down : {false, true}) {
            const XyAxis axis(zoom, 900, 254, 10, down);
            const XyPixelRuns runs(axis, 10, 264);
            for (const int64_t c : {int64_t{-5}, int64_t{10}, int64_t{11}, int64_t{100}, int64_t{137}, int64_t{263},
                                    int64_t{264}, int64_t{400}}) {
                SCOPED_TRACE(testing::Message() << zoom << (down ? " down" : "") << " pixel " << c);
                int16_t low = 0, high = 0;
                const bool any = runs.Reaching(c, low, high);
                for (int i = 0; i < 20000; ++i) {
                    // Values from anywhere, and from around the pixel's own values.
                    const auto near = [&] {
                        return static_cast<int16_t>(std::clamp<int>((i % 2 ? low : high) + static_cast<int>(rnd() % 9) - 4,
                                                                    INT16_MIN, INT16_MAX));
                    };
                    const auto a = i % 3 ? static_cast<int16_t>(rnd()) : near(), b = i % 5 ? static_cast<int16_t>(rnd()) : near();
                    const int64_t pa = axis.Pixel(a), pb = axis.Pixel(b);
                    const bool spans = std::min(pa, pb) <= c && c <= std::max(pa, pb);
                    const bool said = any && std::min(a, b) <= high && std::max(a, b) >= low;
                    if (spans != said) {
                        ADD_FAILURE() << a << " " << b;
                        break;
                    }
                }
            }
        }
}

}  // namespace
}  // namespace kivelo
