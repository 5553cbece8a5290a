#include "display/XyFigureCache.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <system_error>
#include <thread>

#include "common/HugePages.h"
#include "common/TwoThreads.h"
#include "display/ColourCode.h"
#include "display/DisplayPointLoader.h"
#include "display/XyLayerCover.h"
#include "display/XyPixelRuns.h"
#include "display/XyPlot.h"
#include "display/XyStroke.h"

namespace kivelo {
namespace {

constexpr uint8_t kTraceLayers = 0x3F;
// Samples read before a run for the pair that its line starts from: a cache line
// of 2-byte samples, so that a run's samples lie as aligned in memory as in the
// file (copies and vector loads across misaligned lines go at half speed), and
// whole pairs, as realtime reads deliver no less.
constexpr int64_t kPairBefore = 32;
constexpr size_t kHugeSamples = kHugePageBytes / sizeof(int16_t);
// Runs asked for at a time ahead of their reading: 2 MB of each 2-byte trace.
constexpr int64_t kAheadRuns = 8;

bool Plotted(const DisplayTrace& t, const OnOffTable& table, int index, int xIndex) {
    return table[static_cast<size_t>(index)] == kTraceOn && !t.logic && index != xIndex;
}

std::vector<int64_t> KeyOf(const ViewArea& area, const TraceSet& set, const OnOffTable& table, int xIndex,
                           const XyRange& range) {
    const DisplayTrace& x = set[xIndex];
    std::vector<int64_t> key{static_cast<int64_t>(range.generation),
                             range.record,
                             range.start,
                             range.count,
                             xIndex,
                             area.AreaLeft(),
                             area.AreaTop(),
                             area.areaWidth,
                             area.areaHeight,
                             x.verticalZoom,
                             x.verticalPosition,
                             x.bytesPerSample,
                             x.isSigned};
    for (int i = 0; i < kTraceCount; ++i) {
        const DisplayTrace& t = set[i];
        if (!Plotted(t, table, i, xIndex)) continue;
        for (const int64_t v : {int64_t{i}, int64_t{t.verticalZoom}, int64_t{t.verticalPosition}, int64_t{t.colour},
                                int64_t{t.bytesPerSample}, int64_t{t.isSigned}})
            key.push_back(v);
    }
    return key;
}

// A stretch of runs drawn by one thread into a layer of its own, from its last
// pair backward; each trace's line starts from the pair before the stretch.
struct Stretch {
    int64_t first = 0, last = 0;
    XyLayer layer;
};

// Where run r of the range starts, and how many samples it holds.
int64_t RunStart(const XyRange& range, int64_t r) { return range.start + r * XyFigureCache::kRun; }
int64_t RunLength(const XyRange& range, int64_t r) {
    return std::min(XyFigureCache::kRun, range.start + range.count - RunStart(range, r));
}
// Samples read before run r for the pair that its lines start from: a whole
// pair, as realtime reads deliver no less; none before the range's first run.
int64_t ReadBefore(int64_t r) { return r > 0 ? kPairBefore : 0; }
// Where, in what ReadRun reads of run r, the pair before the run lies (the last
// sample read before it), or the run's first pair when none is read before.
size_t PairBefore(int64_t r) { return ReadBefore(r) ? kPairBefore - 1 : 0; }

// The record's file, and where it can, its samples seen in place (null: read them).
struct Source {
    const CWaveFile& file;
    const FileMapping* mapping;
};

// A run's samples as displayed: seen in the file's mapping where the file holds
// them so, otherwise read into a buffer kept from run to run.
struct RunSamples {
    SampleRun buffer;
    std::span<const int16_t> seen;
    const int16_t* data() const { return seen.data(); }
    size_t size() const { return seen.size(); }
    int16_t operator[](size_t i) const { return seen[i]; }
};

// Samples [at, at + n) of trace `index` of the set, as displayed; false unless all were read.
bool ReadTrace(const Source& source, const TraceSet& set, const OnOffTable& table, const XyRange& range, int index,
               int64_t at, int64_t n, RunSamples& out) {
    const DisplayTrace& t = set[index];
    // 2-byte signed samples are displayed as they are stored.
    if (source.mapping && t.bytesPerSample == 2 && t.isSigned) {
        out.seen = source.file.MappedSamples(*source.mapping, range.record, ChannelOf(table, index), at, n);
        if (static_cast<int64_t>(out.seen.size()) == n) return true;
    }
    out.seen = {};
    if (!ReadSamples(t, source.file, range.record, ChannelOf(table, index), at, n, out.buffer) ||
        static_cast<int64_t>(out.buffer.size()) != n)
        return false;
    out.seen = out.buffer;
    return true;
}

// Run r of trace `index` with the samples read before it.
bool ReadRun(const Source& source, const TraceSet& set, const OnOffTable& table, const XyRange& range, int index,
             int64_t r, RunSamples& out) {
    return ReadTrace(source, set, table, range, index, RunStart(range, r) - ReadBefore(r),
                     RunLength(range, r) + ReadBefore(r), out);
}

// Going backward from run `top` to run `bottom`, at run r: every trace's runs of
// the window after the next are asked to be read into the system's cache (it
// reads nothing ahead by itself for reads that go backward); at the first run,
// those of the next window too.
void AskAhead(const Source& source, const OnOffTable& table, int xIndex, std::span<const int> plotted,
              const XyRange& range, int64_t top, int64_t bottom, int64_t r) {
    const CWaveFile& file = source.file;
    const auto willRead = [&](int64_t first, int64_t last) {
        first = std::max(first, bottom);
        if (first > last) return;
        const int64_t at = RunStart(range, first) - ReadBefore(first),
                      end = RunStart(range, last) + RunLength(range, last);
        file.WillRead(range.record, ChannelOf(table, xIndex), at, end - at);
        for (const int i : plotted) file.WillRead(range.record, ChannelOf(table, i), at, end - at);
    };
    if ((top - r) % kAheadRuns != 0) return;
    if (r == top) willRead(r - kAheadRuns + 1, r);
    willRead(r - 2 * kAheadRuns + 1, r - kAheadRuns);
}

// Runs first..last - 1 of every trace drawn are done with: their pages seen in
// place are unmapped by the thread that looked at them, so that the mapping holds
// a few runs of each trace at a time (ended all at once, it took as long again as
// a sixth of the figure, on one thread).
void DoneWithRuns(const Source& source, const OnOffTable& table, int xIndex, std::span<const int> plotted,
                  const XyRange& range, int64_t first, int64_t last) {
    if (!source.mapping || first >= last) return;
    const int64_t from = RunStart(range, first), to = RunStart(range, last - 1) + RunLength(range, last - 1);
    source.file.DoneWithMapped(*source.mapping, range.record, ChannelOf(table, xIndex), from, to - from);
    for (const int i : plotted)
        source.file.DoneWithMapped(*source.mapping, range.record, ChannelOf(table, i), from, to - from);
}
// Runs done with at a time: 16 MB of each 2-byte trace (4 MB measured no faster).
constexpr int64_t kDoneRuns = 64;

// The smallest and largest values of some samples, widened by them.
void Widen(std::span<const int16_t> values, int16_t& low, int16_t& high) {
    for (const int16_t v : values) {
        low = std::min(low, v);
        high = std::max(high, v);
    }
}

// What runs first..last can reach: the rectangles of their pairs and of the pair before them.
bool ReachOf(const Source& source, const TraceSet& set, const OnOffTable& table, int xIndex,
             std::span<const int> plotted, const XyRange& range, std::span<const XyStroke> strokes, int64_t first,
             int64_t last, XyReach& reach) {
    RunSamples xs, ys;
    int16_t xLow = INT16_MAX, xHigh = INT16_MIN;
    std::vector<int16_t> yLow(plotted.size(), INT16_MAX), yHigh(plotted.size(), INT16_MIN);
    for (int64_t r = first; r <= last; ++r) {
        if (!ReadRun(source, set, table, range, xIndex, r, xs)) return false;
        Widen(xs.seen, xLow, xHigh);
        for (size_t k = 0; k < plotted.size(); ++k) {
            if (!ReadRun(source, set, table, range, plotted[k], r, ys)) return false;
            Widen(ys.seen, yLow[k], yHigh[k]);
        }
    }
    for (size_t k = 0; k < plotted.size(); ++k)
        if (xLow <= xHigh && yLow[k] <= yHigh[k])
            reach.AddRectangle(strokes[k].columns->RunOf(xLow).pixel, strokes[k].columns->RunOf(xHigh).pixel,
                               strokes[k].rows->RunOf(yLow[k]).pixel, strokes[k].rows->RunOf(yHigh[k]).pixel);
    return true;
}

// Once this few pixels in reach are left below the last trace's rank, the runs
// before are searched pair by pair for the latest trace through each of them,
// instead of drawn. Pixels at the area's edge that only a few lines reach keep
// that many below the last rank for most of a noise record (16: every line of 8 x
// 16M pairs of noise drawn, 4.2 s; 256: 1.6 s).
constexpr int64_t kFewLeft = 256;

// Pixels of the layer in reach that hold a rank before `top`.
int64_t BelowIn(const XyLayer& layer, const XyReach& reach, uint8_t top) {
    int64_t n = 0;
    for (size_t i = 0; i < layer.codes.size(); ++i) n += layer.codes[i] < top && reach.Has(i);
    return n;
}

// Runs last down to first: each pixel in reach that holds a rank before the last
// trace's is raised to that of the latest trace whose lines of those runs pass it.
// Only the lines whose values come near those pixels are looked at.
bool FindLastPainters(const Source& source, const TraceSet& set, const OnOffTable& table, int xIndex,
                      std::span<const int> plotted, const XyRange& range, std::span<XyStroke> strokes, int64_t first,
                      int64_t last, const XyReach& reach, XyLayer& later) {
    const auto top = static_cast<uint8_t>(strokes.size());
    std::vector<XyPoint> left;  // pixels in reach below the top rank, in plane coordinates
    const int64_t width = later.width, height = static_cast<int64_t>(later.codes.size()) / width;
    for (int64_t y = 0; y < height; ++y)
        for (int64_t x = 0; x < width; ++x) {
            const auto i = static_cast<size_t>(y * width + x);
            if (reach.Has(i) && later.codes[i] < top) left.push_back({later.left + x, later.top + y});
        }
    const auto rankAt = [&](const XyPoint& p) -> uint8_t& {
        return later.codes[static_cast<size_t>((p.y - later.top) * width + (p.x - later.left))];
    };
    // Pixel m is passed by a line of `rank`: raised; at the top rank no longer looked for.
    const auto found = [&](size_t m, uint8_t rank) {
        uint8_t& c = rankAt(left[m]);
        c = std::max(c, rank);
        if (c < top) return false;
        left[m] = left.back();
        left.pop_back();
        return true;
    };
    RunSamples xs, ys;
    std::vector<XyValueBox> windows;
    std::vector<uint32_t> near;
    for (int64_t r = last; r >= first && !left.empty(); --r) {
        AskAhead(source, table, xIndex, plotted, range, last, first, r);
        if (!ReadRun(source, set, table, range, xIndex, r, xs)) return false;
        for (size_t k = plotted.size(); k-- > 0 && !left.empty();) {
            if (!ReadRun(source, set, table, range, plotted[k], r, ys)) return false;
            const XyStroke& s = strokes[k];
            auto pointOf = [&](size_t i) { return XyPoint{s.columns->RunOf(xs[i]).pixel, s.rows->RunOf(ys[i]).pixel}; };
            windows.clear();
            for (const XyPoint& p : left) {
                XyValueBox w{};
                if (rankAt(p) < s.rank && s.columns->Reaching(p.x, w.xLow, w.xHigh) &&
                    s.rows->Reaching(p.y, w.yLow, w.yHigh))
                    windows.push_back(w);
            }
            // The lines from the pair before the run on, each from pair i - 1 to pair i.
            const size_t from = PairBefore(r);
            near.clear();
            PairsNear(xs.data() + from, ys.data() + from, xs.size() - from, windows, near);
            const XyBox& box = s.pen.Box();
            for (size_t q = near.size(); q-- > 0 && !left.empty();) {
                const size_t i = near[q] + from;
                const XyPoint a = pointOf(i - 1), b = pointOf(i);
                if (a.x == b.x && a.y == b.y) continue;  // on one pixel: no line
                for (size_t m = 0; m < left.size();) {
                    const XyPoint p = left[m];
                    bool hit = false;
                    if (rankAt(p) < s.rank && std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) &&
                        std::min(a.y, b.y) <= p.y && p.y <= std::max(a.y, b.y))
                        s.pen.Join(a, box.Inside(a.x, a.y), b, box.Inside(b.x, b.y),
                                   [&](int64_t x, int64_t y) { hit = hit || (x == p.x && y == p.y); });
                    if (!hit || !found(m, s.rank)) ++m;
                }
            }
            // The range's first pair, painted by itself before any line.
            if (r == 0)
                for (size_t m = 0; m < left.size(); ++m)
                    if (const XyPoint p = pointOf(0); p.x == left[m].x && p.y == left[m].y) {
                        found(m, s.rank);
                        break;
                    }
        }
    }
    return true;
}

static_assert(kXyBlock == EnvelopeSummary::kBlock, "a figure's blocks are those of the summaries");

// The pairs of the whole blocks of a run that a summary feed was handed already
// (each block's smallest and largest value): the figure need not find them again.
// Empty when not known. Of the n samples of run r of the trace of feeds[k] (see Feed).
std::span<const int16_t> KnownPairs(std::span<SummaryFeed* const> feeds, size_t k, const XyRange& range, int64_t r,
                                    size_t n) {
    const size_t whole = n / kXyBlock;
    if (k >= feeds.size() || !feeds[k] || whole == 0 || RunStart(range, r) % kXyBlock != 0) return {};
    return feeds[k]->BlockPairs(RunStart(range, r) / kXyBlock, static_cast<int64_t>(whole));
}

// Run r of a trace, read with the samples before it, handed over to feeds[k] (the
// X trace's at 0, plotted[k - 1]'s at k), if there is one.
void Feed(std::span<SummaryFeed* const> feeds, size_t k, int thread, const XyRange& range, int64_t r,
          const RunSamples& run) {
    if (k < feeds.size() && feeds[k]) feeds[k]->Fill(thread, RunStart(range, r), run.seen.subspan(ReadBefore(r)));
}

// Runs first..last - 1 of the traces that have feeds, read and handed over.
bool FeedRuns(const Source& source, const TraceSet& set, const OnOffTable& table, int xIndex,
              std::span<const int> plotted, const XyRange& range, std::span<SummaryFeed* const> feeds, int thread,
              int64_t first, int64_t last) {
    RunSamples run;
    for (int64_t r = first; r < last; ++r)
        for (size_t k = 0; k < feeds.size(); ++k) {
            if (!feeds[k]) continue;
            if (!ReadRun(source, set, table, range, k == 0 ? xIndex : plotted[k - 1], r, run)) return false;
            Feed(feeds, k, thread, range, r, run);
        }
    return true;
}

// The stretch's runs from the last backward, each trace's line painted where no
// later line painted. Once the layer is dense (looked at after 1, 2, 4, ... runs),
// the pixels that the runs left can reach are found; when only a few of them are
// left unpainted, the last line through each is looked for pair by pair.
// The runs read are handed over to the feeds (see Feed) by `thread`.
bool DrawStretch(const Source& source, const TraceSet& set, const OnOffTable& table, int xIndex,
                 std::span<const int> plotted, const XyRange& range, std::span<XyStroke> strokes,
                 std::span<SummaryFeed* const> feeds, int thread, Stretch& out) {
    // Every run the drawing does not read is read for the summaries at the end.
    int64_t unfed = out.last;
    const auto feedRest = [&] {
        return FeedRuns(source, set, table, xIndex, plotted, range, feeds, thread, out.first, unfed);
    };
    // On huge pages: the runs read into them need one address translation each.
    RunSamples xs;
    if (!source.mapping) xs.buffer.reserve(kHugeSamples);
    // A buffer per trace: the system's copy into the one just drawn from went slower.
    std::vector<RunSamples> yRuns(plotted.size());
    if (!source.mapping)
        for (RunSamples& y : yRuns) y.buffer.reserve(static_cast<size_t>(XyFigureCache::kRun + kPairBefore + 8));
    if (strokes.empty()) return feedRest();
    std::optional<XyReach> reach;
    XyBlockReach columns;  // of the X trace's blocks, for every trace
    const XyBox& box = strokes[0].pen.Box();
    const int64_t height = static_cast<int64_t>(out.layer.codes.size()) / std::max<int64_t>(out.layer.width, 1);
    int64_t nextCheck = 1;
    for (int64_t r = out.last - 1; r >= out.first; --r) {
        AskAhead(source, table, xIndex, plotted, range, out.last - 1, out.first, r);
        if (reach && BelowIn(out.layer, *reach, static_cast<uint8_t>(strokes.size())) <= kFewLeft)
            return FindLastPainters(source, set, table, xIndex, plotted, range, strokes, out.first, r, *reach,
                                    out.layer) &&
                   feedRest();
        if (!ReadRun(source, set, table, range, xIndex, r, xs)) return false;
        Feed(feeds, 0, thread, range, r, xs);
        // The run's own pairs; the line from the pair before them is joined last.
        const auto at = static_cast<size_t>(ReadBefore(r));
        const size_t n = xs.size() - at;
        columns.Of(xs.data() + at, n, *strokes[0].columns, box.left + 1, box.right - 1,
                   KnownPairs(feeds, 0, range, r, n));
        for (size_t k = plotted.size(); k-- > 0;) {
            RunSamples& ys = yRuns[k];
            if (!ReadRun(source, set, table, range, plotted[k], r, ys)) return false;
            Feed(feeds, k + 1, thread, range, r, ys);
            XyStroke& s = strokes[k];
            s.rowReach.Of(ys.data() + at, n, *s.rows, box.top + 1, box.bottom - 1,
                          KnownPairs(feeds, k + 1, range, r, n));
            s.AddBackward(xs.data() + at, ys.data() + at, n, columns, s.rowReach, out.layer);
            if (at > 0) s.JoinBackward(xs[at - 1], ys[at - 1], xs[at], ys[at], out.layer);
            if (r == 0) s.PaintFirst(xs[0], ys[0], out.layer);
        }
        unfed = r;
        if ((out.last - r) % kDoneRuns == 0) DoneWithRuns(source, table, xIndex, plotted, range, r, r + kDoneRuns);
        if (!reach && out.last - r == nextCheck && r > out.first) {
            nextCheck *= 2;
            if (Dense(out.layer)) {
                reach.emplace(out.layer.left, out.layer.top, out.layer.width, height);
                if (!ReachOf(source, set, table, xIndex, plotted, range, strokes, out.first, r - 1, *reach))
                    return false;
            }
        }
    }
    return feedRest();
}

}  // namespace

bool XyFigureCache::DrawLong(RasterPlane& plane, const CWaveFile& file, const ViewArea& area, const TraceSet& set,
                             const OnOffTable& table, int xIndex, std::span<const int> plotted, const XyRange& range) {
    // A layer holds colour codes; other codes are drawn in order by the caller.
    for (const int i : plotted)
        if (set[i].colour < 1 || set[i].colour > colour_code::kTraceMask) return false;
    // Positions by the same axes as point by point.
    const XyBox box{area.AreaLeft(), area.AreaTop(), area.AreaLeft() + area.areaWidth,
                    area.AreaTop() + area.areaHeight};
    const XyPixelRuns columnRuns(XyColumnAxis(area, set[xIndex]), box.left, box.right);
    std::vector<XyPixelRuns> rowRuns;
    for (const int i : plotted) rowRuns.emplace_back(XyRowAxis(area, set[i]), box.top, box.bottom);
    // Each thread draws a stretch of whole runs into its own layer of ranks; a
    // pixel shows the latest trace of any of them.
    const int64_t runs = (range.count + kRun - 1) / kRun;
    const int threads = static_cast<int>(std::clamp<int64_t>(file.WorkThreads(), 1, std::min<int64_t>(16, runs)));
    std::vector<Stretch> stretches(static_cast<size_t>(threads));
    // The summaries of the traces whose every sample the figure reads are made
    // from those reads, so that the other windows read no sample again.
    std::vector<std::unique_ptr<SummaryFeed>> feeds;
    std::vector<SummaryFeed*> feedsOf;
    // Only samples read as they are stored are handed over: 2-byte signed ones.
    const auto feedOf = [&](int i) {
        return set[i].bytesPerSample == 2 && set[i].isSigned
                   ? file.StartSummaryFeed(range.record, ChannelOf(table, i), threads)
                   : nullptr;
    };
    if (range.start == 0) {
        feeds.push_back(feedOf(xIndex));
        for (const int i : plotted) feeds.push_back(feedOf(i));
        for (const auto& f : feeds) feedsOf.push_back(f.get());
        if (std::ranges::all_of(feeds, [](const auto& f) { return !f; })) feedsOf.clear();
    }
    // Every sample is looked at once: seen in place, not copied first.
    const std::unique_ptr<FileMapping> mapping = file.MapData();
    const Source source{file, mapping.get()};
    std::vector<uint8_t> ok(stretches.size(), 0);
    auto work = [&](size_t t) {
        Stretch& s = stretches[t];
        s.first = runs * static_cast<int64_t>(t) / threads;
        s.last = runs * static_cast<int64_t>(t + 1) / threads;
        try {
            s.layer = {
                box.left, box.top, area.areaWidth,
                std::vector<uint8_t>(static_cast<size_t>(area.areaWidth) * static_cast<size_t>(area.areaHeight))};
            std::vector<XyStroke> strokes;
            for (size_t k = 0; k < plotted.size(); ++k)
                strokes.emplace_back(columnRuns, rowRuns[k], box, static_cast<uint8_t>(k + 1));
            ok[t] = DrawStretch(source, set, table, xIndex, plotted, range, strokes, feedsOf, static_cast<int>(t), s);
            DoneWithRuns(source, table, xIndex, plotted, range, s.first, s.last);
        } catch (const std::bad_alloc&) {
            ok[t] = 0;  // no memory for a layer: drawn on one thread instead
        }
    };
    {
        std::vector<std::jthread> helpers;
        size_t started = 1;
        try {
            for (; started < stretches.size(); ++started) helpers.emplace_back(work, started);
        } catch (const std::system_error&) {
            // No more threads: this one draws the stretches left.
        }
        work(0);
        for (size_t t = started; t < stretches.size(); ++t) work(t);
    }
    for (const uint8_t o : ok)
        if (!o) return false;
    // Pages that could not be read were seen as zeros: neither the figure nor the
    // summaries hold the file (it is drawn again from reads, which say what failed).
    if (mapping && mapping->Faulted()) return false;
    // The summaries finished (their coarser levels) on two threads: each is apart.
    const auto keep = [&](size_t from) {
        for (size_t k = from; k < feeds.size(); k += 2)
            if (feeds[k]) feeds[k]->Keep();
    };
    OnTwoThreads(threads, keep);
    // A pixel shows the latest trace that any stretch drew through it.
    for (int64_t y = 0; y < area.areaHeight; ++y)
        for (int64_t x = 0; x < area.areaWidth; ++x) {
            const size_t i = static_cast<size_t>(y * area.areaWidth + x);
            uint8_t rank = 0;
            for (const Stretch& s : stretches) rank = std::max(rank, s.layer.codes[i]);
            if (rank)
                plane.Paint(static_cast<int>(box.left + x), static_cast<int>(box.top + y),
                            static_cast<uint8_t>(set[plotted[rank - 1U]].colour));
        }
    return true;
}

void XyFigureCache::Draw(RasterPlane& plane, CWaveFile& file, const ViewArea& area, const TraceSet& set,
                         const OnOffTable& table, int xIndex, const XyRange& range) {
    const int left = area.AreaLeft(), top = area.AreaTop(), w = area.areaWidth, h = area.areaHeight;
    std::vector<int64_t> key = KeyOf(area, set, table, xIndex, range);
    const size_t pixels = static_cast<size_t>(w) * static_cast<size_t>(h);
    const auto kept = std::find_if(kept_.begin(), kept_.end(),
                                   [&](const Figure& f) { return f.key == key && f.bits.size() == pixels; });
    if (kept != kept_.end()) {
        std::rotate(kept_.begin(), kept, kept + 1);
        const std::vector<uint8_t>& bits = kept_.front().bits;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t b = bits[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
                if (b)
                    plane.Set(left + x, top + y,
                              static_cast<uint8_t>((plane.At(left + x, top + y) & ~kTraceLayers) | b));
            }
        return;
    }
    // Trace by trace, each over the whole range, so that where traces cross the
    // later one shows; run by run, each continuing its line from the run before.
    const DisplayTrace& xTrace = set[xIndex];
    const int xChannel = ChannelOf(table, xIndex);
    std::vector<int> plotted;
    for (int i = 0; i < kTraceCount; ++i)
        if (Plotted(set[i], table, i, xIndex)) plotted.push_back(i);
    if (range.count >= kLongFrom && DrawLong(plane, file, area, set, table, xIndex, plotted, range)) plotted.clear();
    SampleRun xs, ys;
    for (const int i : plotted) {
        const DisplayTrace& t = set[i];
        std::optional<XyPoint> carry;
        for (int64_t at = range.start; at < range.start + range.count; at += kRun) {
            const int64_t n = std::min(kRun, range.start + range.count - at);
            if (!ReadSamples(xTrace, file, range.record, xChannel, at, n, xs)) break;
            if (!ReadSamples(t, file, range.record, ChannelOf(table, i), at, n, ys)) continue;
            const std::vector<int64_t> columns = XyColumns(area, xTrace, xs);
            const size_t m = std::min(columns.size(), ys.size());
            DrawXYRun(plane, area, t, std::span<const int64_t>(columns).first(m), std::span<const int16_t>(ys).first(m),
                      t.colour, carry);
        }
    }
    ++drawn_;
    Figure figure{std::move(key), std::vector<uint8_t>(pixels)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            figure.bits[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
                static_cast<uint8_t>(plane.At(left + x, top + y) & kTraceLayers);
    if (kept_.size() >= kKept) kept_.pop_back();
    kept_.insert(kept_.begin(), std::move(figure));
}

}  // namespace kivelo
