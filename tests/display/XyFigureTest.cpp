// The XY figure of a long range, drawn from its end backward through blocks of
// pairs and runs of values per pixel on one or several threads, against the same
// figure worked out point by point, trace by trace; and its pieces.
#include <gtest/gtest.h>

#include <hwy/targets.h>

#include <algorithm>
#include <array>
#include <chrono>
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
#include "display/XyLine.h"
#include "display/XyPixelRuns.h"
#include "display/XyPlot.h"
#include "display/XyStroke.h"
#include "wavefile/SummaryStore.h"

namespace kivelo {
namespace {

// Every sample pair of the range, trace by trace, each trace's pairs read at once
// (so no read size of the figure's can show), each position worked out by itself.
void DrawPointByPoint(RasterPlane& plane, const CWaveFile& file, const ViewArea& area, const TraceSet& set,
                      const OnOffTable& table, int xIndex, const XyRange& range) {
    SampleRun xs, ys;
    if (!ReadSamples(set[xIndex], file, range.record, ChannelOf(table, xIndex), range.start, range.count, xs)) return;
    const std::vector<int64_t> columns = XyColumns(area, set[xIndex], xs);
    for (int i = 0; i < kTraceCount; ++i) {
        if (table[static_cast<size_t>(i)] != kTraceOn || i == xIndex) continue;
        if (!ReadSamples(set[i], file, range.record, ChannelOf(table, i), range.start, range.count, ys)) continue;
        const size_t m = std::min(columns.size(), ys.size());
        std::optional<XyPoint> carry;
        DrawXYRun(plane, area, set[i], std::span<const int64_t>(columns).first(m),
                  std::span<const int16_t>(ys).first(m), set[i].colour, carry);
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
    double amplitude = 0.8;                              // of full scale
    std::optional<wavegen::Signal> last = std::nullopt;  // of the last trace, when it differs
    int64_t period = 0;                                  // of every trace; 0: a little different for each
};

TEST(XyFigureTest, FigureIsThePointByPointFigure) {
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
        {"zoomed: a smooth figure leaving the area and coming back", "IS2,IS2,IS2", wavegen::Signal::Sine, 65536 * 2, 0,
         0, kSamples, 2},
        // Figures without holes: each stretch's last runs drawn first, then the last line through each pixel left.
        {"dense: noise on one thread", "IS2,IS2,IS2", wavegen::Signal::Noise, 65536, 0, 0, kSamples, 1},
        {"dense: noise shifted per trace", "IS2,IS2,IS2,IS2", wavegen::Signal::Noise, 65536, 2500, 3, kSamples - 3, 2},
        {"dense: a ramp sweeping over noise", "IS2,IS2,IS2", wavegen::Signal::Noise, 65536, 0, 0, kSamples, 2, 0.8,
         wavegen::Signal::Ramp},
        // Every pair on one pixel: no line, only the first pair painted by itself.
        {"constant: the first pair alone", "IS2,IS2,IS2", wavegen::Signal::Sine, 65536, 0, 0, kSamples, 2, 0.0},
        // Every jump between the two levels from the last pair of a run to the first of the next.
        {"steps at the runs' edges: lines across runs", "IS2,IS2,IS2", wavegen::Signal::Step, 65536, 0, 0, kSamples, 2,
         0.8, std::nullopt, 2 * XyFigureCache::kRun},
        // Drawn run by run, not as a long figure: still trace by trace, the later one where traces cross.
        {"shorter than a long figure, longer than a run", "IS2,IS2,IS2", wavegen::Signal::Noise, 65536, 0, 0,
         3 * XyFigureCache::kRun + 5, 2},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        wavegen::WvfDesc desc;
        desc.traces = wavegen::MakeTraces(static_cast<int>(std::count(c.types.begin(), c.types.end(), ',')) + 1,
                                          c.types, c.signal, 90000);
        for (size_t i = 0; i < desc.traces.size(); ++i) {
            desc.traces[i].signal.period = c.period > 0 ? c.period : 90000 + 37 * static_cast<int64_t>(i);
            desc.traces[i].signal.seed = i + 1;
            desc.traces[i].signal.amplitude = c.amplitude;
        }
        if (c.last) desc.traces.back().signal.kind = *c.last;
        desc.blocks = 1;
        desc.samples = kSamples;
        const std::string path = dir.File("xy.wvf");
        ASSERT_TRUE(wavegen::WriteWvf(path, desc));
        // Without summaries, and with them made from the figure's own reads.
        for (const int64_t budget : {int64_t{0}, int64_t{1} << 30}) {
            SCOPED_TRACE(budget ? "summaries made meanwhile" : "no summaries");
            SummaryStore store(budget, std::chrono::milliseconds(0));
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
            RasterPlane expected, drawn;
            CWaveFile plain;  // no summaries: the figure's reads alone make them
            ASSERT_EQ(plain.Open(path, 0), -1);
            DrawPointByPoint(expected, plain, area, set, table, 0, range);
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
            EXPECT_GT(painted, c.amplitude > 0 ? 100 : 0);
            const bool whole =
                c.start == 0 && c.count == kSamples && c.types.find_first_not_of("IS2,") == std::string::npos;
            EXPECT_EQ(store.Count(), budget && whole ? desc.traces.size() : 0u) << "summaries kept";
        }
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

// The rank check on every instruction set against looking at each pixel:
// layers of a few widths with a few holes and earlier ranks, rectangles of every
// shape up to the layer's last pixel, where a vector would reach past its end.
TEST(XyStrokeTest, FirstRowBelowRankIsTheFirstRowWithAnEarlierRank) {
    std::mt19937 random(41);
    for (const int64_t target : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        SCOPED_TRACE(hwy::TargetName(target));
        for (const int64_t width : {int64_t{1}, int64_t{7}, int64_t{64}, int64_t{65}, int64_t{130}}) {
            const int64_t height = 1 + static_cast<int64_t>(random() % 40);
            XyLayer layer{5, 9, width, std::vector<uint8_t>(static_cast<size_t>(width * height), 2)};
            for (int hole = 0; hole < 3; ++hole) layer.codes[random() % layer.codes.size()] = 0;
            for (int earlier = 0; earlier < 3; ++earlier) layer.codes[random() % layer.codes.size()] = 1;
            for (int trial = 0; trial < 400; ++trial) {
                int64_t c0 = static_cast<int64_t>(random() % width), c1 = static_cast<int64_t>(random() % width);
                int64_t r0 = static_cast<int64_t>(random() % height), r1 = static_cast<int64_t>(random() % height);
                if (trial % 4 == 0) c1 = width - 1, r1 = height - 1;  // up to the last pixel
                if (c0 > c1) std::swap(c0, c1);
                if (r0 > r1) std::swap(r0, r1);
                const auto rank = static_cast<uint8_t>(1 + trial % 2);
                int64_t expected = r1 + 1;
                for (int64_t r = r1; r >= r0; --r)
                    for (int64_t c = c0; c <= c1; ++c)
                        if (layer.codes[static_cast<size_t>(r * width + c)] < rank) expected = r;
                ASSERT_EQ(FirstRowBelowRank(layer, 5 + c0, 5 + c1, 9 + r0, 9 + r1, rank), 9 + expected)
                    << "width " << width << " columns " << c0 << ".." << c1 << " rows " << r0 << ".." << r1 << " rank "
                    << int{rank};
            }
        }
    }
    hwy::SetSupportedTargetsForTest(0);
}

// The pixels each block of a run can reach, and each group of blocks, on every
// instruction set the processor runs, against the plain rule: random values and
// lengths around whole batches of blocks, flat, steep and very steep axes in
// either direction, centred and off centre, cut to the area.
TEST(XyStrokeTest, BlockReachIsThePixelsOfEachBlockAndTheValueBefore) {
    std::mt19937 random(31);
    for (const int64_t target : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        SCOPED_TRACE(hwy::TargetName(target));
        for (const size_t n : {size_t{1}, size_t{255}, size_t{256}, size_t{257}, size_t{300}, size_t{4097},
                               size_t{8192}, size_t{8193}, size_t{9000}, size_t{65537}}) {
            for (int fill = 0; fill < 6; ++fill) {
                const int32_t zoom = std::array{65536, 65536 * 3, 65536 * 30000}[static_cast<size_t>(fill % 3)];
                const XyAxis axis(zoom, fill == 2 || fill == 5 ? 1 : 3000 * fill, 200, 10, fill > 2);
                const XyPixelRuns runs(axis, 10, 210);
                std::vector<int16_t> values(n);
                // A walk of a few pixels a step, now and then a jump: each block's own extremes.
                int v = 0;
                for (int16_t& value : values) {
                    v = random() % 97 == 0 ? static_cast<int>(random() % 65536) - 32768
                                           : std::clamp(v + static_cast<int>(random() % 2001) - 1000, -32768, 32767);
                    value = static_cast<int16_t>(v);
                }
                XyBlockReach reach, given;
                reach.Of(values.data(), n, runs, 11, 209);
                ASSERT_EQ(reach.Blocks(), (n + kXyBlock - 1) / kXyBlock);
                // The whole blocks' pairs handed in, as a summary knows them, in either order: the same reach.
                std::vector<int16_t> pairs;
                for (size_t j = 0; j < n / kXyBlock; ++j) {
                    const auto [mn, mx] =
                        std::minmax_element(values.begin() + static_cast<ptrdiff_t>(j * kXyBlock),
                                            values.begin() + static_cast<ptrdiff_t>((j + 1) * kXyBlock));
                    pairs.push_back(j % 3 ? *mn : *mx);
                    pairs.push_back(j % 3 ? *mx : *mn);
                }
                given.Of(values.data(), n, runs, 11, 209, pairs);
                ASSERT_EQ(given.low, reach.low);
                ASSERT_EQ(given.high, reach.high);
                for (size_t j = 0; j < reach.Blocks(); ++j) {
                    const size_t from = j > 0 ? j * kXyBlock - 1 : 0, to = std::min(n, (j + 1) * kXyBlock);
                    int64_t low = INT64_MAX, high = INT64_MIN;
                    for (size_t i = from; i < to; ++i) {
                        low = std::min(low, axis.Pixel(values[i]));
                        high = std::max(high, axis.Pixel(values[i]));
                    }
                    ASSERT_EQ(reach.low[j], std::max<int64_t>(low, 11)) << "n " << n << " block " << j;
                    ASSERT_EQ(reach.high[j], std::min<int64_t>(high, 209)) << "n " << n << " block " << j;
                }
                // Each group's the least low and greatest high of its blocks.
                ASSERT_EQ(reach.groupLow.size(), (reach.Blocks() + kXyGroup - 1) / kXyGroup);
                for (size_t g = 0; g < reach.groupLow.size(); ++g) {
                    const auto from = reach.low.begin() + static_cast<ptrdiff_t>(g * kXyGroup);
                    const auto count = static_cast<ptrdiff_t>(std::min(kXyGroup, reach.Blocks() - g * kXyGroup));
                    ASSERT_EQ(reach.groupLow[g], *std::min_element(from, from + count)) << "n " << n << " group " << g;
                    const auto to = reach.high.begin() + static_cast<ptrdiff_t>(g * kXyGroup);
                    ASSERT_EQ(reach.groupHigh[g], *std::max_element(to, to + count)) << "n " << n << " group " << g;
                }
            }
        }
    }
    hwy::SetSupportedTargetsForTest(0);
}

// A trace's line drawn run by run from the last run backward, each run from the
// pair before it, against the pen drawing every pair in order. The values keep to
// a few levels, so that most blocks of pairs can only reach pixels painted already
// and are passed whole; levels change at block edges and everywhere else, also
// from and to points beyond the area. On every instruction set the processor runs.
TEST(XyStrokeTest, DrawnBackwardRunByRunIsThePenInOrder) {
    std::mt19937 random(23);
    const XyBox box{10, 20, 74, 84};
    const std::vector<int64_t> targets = hwy::SupportedAndGeneratedTargets();
    for (int trial = 0; trial < 60; ++trial) {
        const int64_t target = targets[static_cast<size_t>(trial) % targets.size()];
        hwy::SetSupportedTargetsForTest(target);
        SCOPED_TRACE(testing::Message() << "trial " << trial << " on " << hwy::TargetName(target));
        const int32_t zoom = trial % 4 == 3 ? 65536 * 8 : 65536;
        const XyAxis columnAxis(zoom, 0, 64, 10, false), rowAxis(zoom, 0, 64, 20, true);
        const XyPixelRuns columns(columnAxis, box.left, box.right), rows(rowAxis, box.top, box.bottom);
        const std::vector<int16_t> levels = {-30000, -9000, -8000, 0, 700, 12000, 31000};
        std::vector<int16_t> xs, ys;
        const size_t n = 3000 + random() % 6000;
        while (xs.size() < n) {
            const std::vector<size_t> lengths = {1, 2, 255, 256, 257, 511, 512, 100 + random() % 400};
            const size_t length = lengths[random() % lengths.size()];
            const int16_t x = levels[random() % levels.size()], y = levels[random() % levels.size()];
            for (size_t i = 0; i < length && xs.size() < n; ++i) {
                // Now and then a pair off the level, as noise on a settled signal.
                const bool off = random() % 50 == 0;
                xs.push_back(static_cast<int16_t>(x + (off ? 1500 : 0)));
                ys.push_back(y);
            }
        }
        XyLayer expected{box.left, box.top, box.right - box.left,
                         std::vector<uint8_t>(static_cast<size_t>((box.right - box.left) * (box.bottom - box.top)))};
        XyLayer drawn = expected;
        XyPen pen(box);
        for (size_t i = 0; i < n; ++i)
            pen.To({columnAxis.Pixel(xs[i]), rowAxis.Pixel(ys[i])}, [&](int64_t x, int64_t y) {
                expected.codes[static_cast<size_t>((y - box.top) * expected.width + (x - box.left))] = 3;
            });
        // Runs of uneven lengths, the last first.
        std::vector<size_t> starts = {0};
        while (starts.back() + 1 < n) starts.push_back(std::min(n - 1, starts.back() + 1 + random() % 2000));
        XyStroke stroke(columns, rows, box, 3);
        XyBlockReach reach, rowReach;
        for (size_t r = starts.size(); r-- > 0;) {
            // Every other run without the pair before it, whose line is joined by itself afterwards.
            const bool joined = r > 0 && trial % 2 == 1;
            const size_t from = r > 0 && !joined ? starts[r] - 1 : starts[r];
            const size_t end = r + 1 < starts.size() ? starts[r + 1] : n;
            reach.Of(xs.data() + from, end - from, columns, box.left + 1, box.right - 1);
            rowReach.Of(ys.data() + from, end - from, rows, box.top + 1, box.bottom - 1);
            stroke.AddBackward(xs.data() + from, ys.data() + from, end - from, reach, rowReach, drawn);
            if (joined) stroke.JoinBackward(xs[from - 1], ys[from - 1], xs[from], ys[from], drawn);
        }
        stroke.PaintFirst(xs[0], ys[0], drawn);
        ASSERT_EQ(drawn.codes, expected.codes);
    }
    hwy::SetSupportedTargetsForTest(0);
}

// Traces whose lines step diagonally (slow sines of different speeds with a
// saw on every one, as a recorder's traces of one ramping input) over each
// other, drawn run by run backward, the latest trace first in each run, against
// the pen drawing each trace's pairs in order. Most blocks' rectangles hold an
// unpainted corner that their diagonal lines pass by: the octagon of their pixels
// tells them apart. Straight, zoomed and far-off scales, on every instruction set.
TEST(XyStrokeTest, LaterTracesOverDiagonalLinesAreThePenInOrder) {
    const XyBox box{10, 20, 150, 160};
    constexpr size_t kPairs = 120000, kTraces = 3, kRunPairs = 7000;
    std::vector<std::vector<int16_t>> traces(kTraces + 1, std::vector<int16_t>(kPairs));
    for (size_t t = 0; t <= kTraces; ++t)
        for (size_t i = 0; i < kPairs; ++i)
            traces[t][i] =
                static_cast<int16_t>(std::lround(20000.0 * std::sin(2.5e-4 * static_cast<double>((t + 1) * i)) +
                                                 static_cast<double>(i % 997) * 5.0 - 2500.0));
    for (const int64_t target : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        for (const int32_t zoom : {65536, 65536 * 3, 65536 * 30000}) {
            SCOPED_TRACE(testing::Message() << hwy::TargetName(target) << " zoom " << zoom);
            const XyAxis columnAxis(zoom, 0, 140, 10, false), rowAxis(zoom, zoom > 65536 ? 2000 : 0, 140, 20, true);
            const XyPixelRuns columns(columnAxis, box.left, box.right), rows(rowAxis, box.top, box.bottom);
            const std::vector<int16_t>& xs = traces[0];
            XyLayer expected{
                box.left, box.top, box.right - box.left,
                std::vector<uint8_t>(static_cast<size_t>((box.right - box.left) * (box.bottom - box.top)))};
            XyLayer drawn = expected;
            for (size_t k = 0; k < kTraces; ++k) {
                XyPen pen(box);
                for (size_t i = 0; i < kPairs; ++i)
                    pen.To({columnAxis.Pixel(xs[i]), rowAxis.Pixel(traces[k + 1][i])}, [&](int64_t x, int64_t y) {
                        uint8_t& c =
                            expected.codes[static_cast<size_t>((y - box.top) * expected.width + (x - box.left))];
                        c = std::max(c, static_cast<uint8_t>(k + 1));
                    });
            }
            std::vector<XyStroke> strokes;
            for (size_t k = 0; k < kTraces; ++k) strokes.emplace_back(columns, rows, box, static_cast<uint8_t>(k + 1));
            XyBlockReach columnReach;
            for (size_t at = (kPairs - 1) / kRunPairs * kRunPairs;; at -= kRunPairs) {
                const size_t from = at > 0 ? at - 1 : 0, end = std::min(kPairs, at + kRunPairs);
                columnReach.Of(xs.data() + from, end - from, columns, box.left + 1, box.right - 1);
                for (size_t k = kTraces; k-- > 0;) {
                    XyStroke& s = strokes[k];
                    const int16_t* ys = traces[k + 1].data() + from;
                    s.rowReach.Of(ys, end - from, rows, box.top + 1, box.bottom - 1);
                    s.AddBackward(xs.data() + from, ys, end - from, columnReach, s.rowReach, drawn);
                    if (at == 0) s.PaintFirst(xs[0], ys[0], drawn);
                }
                if (at == 0) break;
            }
            ASSERT_EQ(drawn.codes, expected.codes);
        }
    }
    hwy::SetSupportedTargetsForTest(0);
}

// What lets a block whose rectangle holds an unpainted pixel be passed: every
// pixel of a line lies in the octagon of its ends, x + y and x - y between theirs.
// Lines from two points to every point within 150 pixels, and to far ones.
TEST(XyStrokeTest, LinePixelsStayInTheOctagonOfTheirEnds) {
    const XyBox box{-2000, -2000, 2000, 2000};
    std::mt19937 random(8);
    for (const XyPoint a : {XyPoint{0, 0}, XyPoint{3, -7}}) {
        std::vector<XyPoint> ends;
        for (int64_t dx = -150; dx <= 150; ++dx)
            for (int64_t dy = -150; dy <= 150; ++dy) ends.push_back({a.x + dx, a.y + dy});
        for (int i = 0; i < 20000; ++i)
            ends.push_back(
                {static_cast<int64_t>(random() % 3999) - 1999, static_cast<int64_t>(random() % 3999) - 1999});
        for (const XyPoint b : ends) {
            const int64_t sumLow = std::min(a.x + a.y, b.x + b.y), sumHigh = std::max(a.x + a.y, b.x + b.y);
            const int64_t diffLow = std::min(a.x - a.y, b.x - b.y), diffHigh = std::max(a.x - a.y, b.x - b.y);
            bool inside = true;
            XyLine(box, a, b, [&](int64_t x, int64_t y) {
                inside = inside && sumLow <= x + y && x + y <= sumHigh && diffLow <= x - y && x - y <= diffHigh;
            });
            ASSERT_TRUE(inside) << "to " << b.x << "," << b.y;
        }
    }
}

// The plot's positions as they were worked out in floating point, exact while
// zoom x size x value stays below 2^53.
int64_t FloatingPixel(int32_t zoom, int32_t position, int size, int start, bool down, int v) {
    const double scale = static_cast<double>(zoom) * size / 65536.0;
    const double centre = std::trunc(position * scale / 65536.0), offset = std::trunc(scale * v / 65536.0);
    const double half = size / 2, far = XyAxis::kFar;
    return static_cast<int64_t>(
        std::clamp(down ? centre + half + start - offset : offset + half - centre + start, -far, far));
}

TEST(XyAxisTest, WholeNumberPositionsAreTheFloatingOnesAndMonotonic) {
    for (const int32_t zoom : {1, 3, 65536, 67109, 70000, 65536 * 4, 1 << 24, 1 << 26, INT32_MAX})
        for (const int size : {0, 1, 254, 255, 1000, 16384})
            for (const int32_t position : {0, 900, -900, 1 << 20, -(1 << 24), INT32_MAX, INT32_MIN})
                for (const bool down : {false, true}) {
                    SCOPED_TRACE(testing::Message()
                                 << zoom << " x " << size << " at " << position << (down ? " down" : ""));
                    const XyAxis axis(zoom, position, size, 10, down);
                    int64_t before = axis.Pixel(-32768);
                    for (int v = -32768; v <= 32767; v += v > -32000 && v < 32000 ? 7 : 1) {
                        const int64_t pixel = axis.Pixel(v);
                        ASSERT_LE(std::llabs(pixel), XyAxis::kFar);
                        ASSERT_TRUE(down ? pixel <= before : pixel >= before) << v;
                        before = pixel;
                        const double product = static_cast<double>(zoom) * size * std::abs(v);
                        if (product < 0x1p53) {
                            ASSERT_EQ(pixel, FloatingPixel(zoom, position, size, 10, down, v)) << v;
                        }
                    }
                }
}

// Pixels worked out 16 bits a lane, on every instruction set, against Pixel for
// every value from a misaligned start, wherever the axis says they fit: flat and
// steep scales, centred and off centre, either direction.
TEST(XyAxisTest, SixteenBitPixelsAreThePixels) {
    std::vector<int16_t> values(65536 + 3);
    for (size_t i = 0; i < 65536; ++i) values[i + 3] = static_cast<int16_t>(static_cast<int>(i) - 32768);
    std::vector<int16_t> pixels(values.size());
    int fitting = 0, notFitting = 0;
    for (const int64_t target : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        for (const int32_t zoom : {1, 3, 65536, 67109, 65536 * 7, 65536 * 29, 65536 * 3000, -65536})
            for (const int size : {1, 254, 1000, 2048})
                for (const int32_t position : {0, 900, -3000, 1 << 20})
                    for (const bool down : {false, true}) {
                        const XyAxis axis(zoom, position, size, 10, down);
                        if (!axis.SixteenBitPixels()) {
                            ++notFitting;
                            continue;
                        }
                        ++fitting;
                        SCOPED_TRACE(testing::Message() << hwy::TargetName(target) << " " << zoom << " x " << size
                                                        << " at " << position << (down ? " down" : ""));
                        XyPixelsOf(axis, values.data() + 3, 65536, pixels.data() + 1);
                        for (size_t i = 0; i < 65536; ++i)
                            ASSERT_EQ(pixels[i + 1], axis.Pixel(values[i + 3])) << values[i + 3];
                    }
    }
    hwy::SetSupportedTargetsForTest(0);
    EXPECT_GT(fitting, 0);
    EXPECT_GT(notFitting, 0);
}

// Each value's run is the values that share its pixel, whole, for flat, steep and
// very steep axes in either direction, centred and off centre; values whose
// pixel lies beyond the area are runs by themselves.
TEST(XyAxisTest, PixelRunsAreTheValuesOfEachPixel) {
    for (const int32_t zoom : {1, 3, 65536, 67109, 65536 * 40, 1 << 26, 65536 * 30000})
        for (const int32_t position : {0, 900, -3000})
            for (const bool down : {false, true}) {
                SCOPED_TRACE(testing::Message() << zoom << " at " << position << (down ? " down" : ""));
                const XyAxis axis(zoom, position, 254, 10, down);
                const XyPixelRuns runs(axis, 10, 264);
                for (int v = INT16_MIN; v <= INT16_MAX; ++v) {
                    const XyPixelRuns::Run run = runs.RunOf(static_cast<int16_t>(v));
                    const int64_t pixel = axis.Pixel(v);
                    ASSERT_EQ(run.pixel, pixel) << v;
                    if (pixel < 10 || pixel > 264) {
                        ASSERT_EQ(run.low, v);
                        ASSERT_EQ(run.high, v);
                        continue;
                    }
                    ASSERT_TRUE(run.low <= v && v <= run.high) << v;
                    ASSERT_EQ(axis.Pixel(run.low), pixel) << v;
                    ASSERT_EQ(axis.Pixel(run.high), pixel) << v;
                    ASSERT_TRUE(run.low == INT16_MIN || axis.Pixel(run.low - 1) != pixel) << v;
                    ASSERT_TRUE(run.high == INT16_MAX || axis.Pixel(run.high + 1) != pixel) << v;
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
                        return static_cast<int16_t>(std::clamp<int>(
                            (i % 2 ? low : high) + static_cast<int>(rnd() % 9) - 4, INT16_MIN, INT16_MAX));
                    };
                    const auto a = i % 3 ? static_cast<int16_t>(rnd()) : near(),
                               b = i % 5 ? static_cast<int16_t>(rnd()) : near();
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
