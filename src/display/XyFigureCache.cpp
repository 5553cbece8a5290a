#include "display/XyFigureCache.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <span>
#include <thread>

#include "display/ColourCode.h"
#include "display/DisplayPointLoader.h"
#include "display/XyPixelRuns.h"
#include "display/XyPlot.h"
#include "display/XyValueBox.h"

namespace kivelo {
namespace {

constexpr uint8_t kTraceLayers = 0x3F;

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

// Positions of the points of one run for every trace plotted, each point that
// falls on the pixel of the one before left out (the drawing leaves it out too).
struct RunPoints {
    bool xRead = false;
    std::vector<uint8_t> read;                // per trace plotted
    std::vector<std::vector<XyCell>> points;  // per trace plotted
};

// Runs [first, last) of a long figure: the X samples read once per run; each
// trace's pairs that stay on the pixel of the point before are passed a vector
// at a time, and a new point is looked up only where a pair leaves that pixel.
void PointsOfRuns(const CWaveFile& file, const TraceSet& set, const OnOffTable& table, int xIndex,
                  std::span<const int> plotted, const XyRange& range, const XyPixelRuns& columnRuns,
                  std::span<const XyPixelRuns> rowRuns, int64_t first, int64_t last, std::span<RunPoints> out) {
    std::vector<int16_t> xs, ys;
    std::vector<XyCell> previous(plotted.size(), XyCell{INT32_MIN, INT32_MIN});  // never a position
    std::vector<size_t> rowHints(plotted.size(), 0);
    size_t columnHint = 0;
    for (int64_t r = first; r < last; ++r) {
        RunPoints& run = out[static_cast<size_t>(r - first)];
        run.read.assign(plotted.size(), 0);
        run.points.resize(plotted.size());
        const int64_t at = range.start + r * XyFigureCache::kRun;
        const int64_t n = std::min(XyFigureCache::kRun, range.start + range.count - at);
        run.xRead = ReadSamples(set[xIndex], file, range.record, ChannelOf(table, xIndex), at, n, xs);
        if (!run.xRead) return;
        for (size_t k = 0; k < plotted.size(); ++k) {
            std::vector<XyCell>& points = run.points[k];
            points.clear();
            if (!ReadSamples(set[plotted[k]], file, range.record, ChannelOf(table, plotted[k]), at, n, ys)) continue;
            run.read[k] = 1;
            const size_t m = std::min(xs.size(), ys.size());
            XyCell last = previous[k];
            XyValueBox box{};
            bool boxed = false;
            for (size_t i = 0; i < m;) {
                const int16_t x = xs[i], y = ys[i];
                if (boxed && box.xLow <= x && x <= box.xHigh && box.yLow <= y && y <= box.yHigh) {
                    ++i;
                    i += FirstPairOutside(xs.data() + i, ys.data() + i, m - i, box);
                    continue;
                }
                columnHint = columnRuns.RunOf(x, columnHint);
                rowHints[k] = rowRuns[k].RunOf(y, rowHints[k]);
                const XyPixelRuns::Run& c = columnRuns.At(columnHint);
                const XyPixelRuns::Run& w = rowRuns[k].At(rowHints[k]);
                if (c.pixel != last.x || w.pixel != last.y) {
                    last = {c.pixel, w.pixel};
                    points.push_back(last);
                }
                box = {c.low, c.high, w.low, w.high};
                boxed = true;
                ++i;
            }
            previous[k] = last;
        }
    }
}

}  // namespace

void XyFigureCache::DrawLong(RasterPlane& plane, const CWaveFile& file, const ViewArea& area, const TraceSet& set,
                             const OnOffTable& table, int xIndex, std::span<const int> plotted, const XyRange& range,
                             std::span<std::optional<XyPoint>> carries) {
    // Positions worked out once per display value, by the same code as point by point.
    const XyPixelRuns columnRuns(XyColumnTable(area, set[xIndex]));
    std::vector<XyPixelRuns> rowRuns;
    for (const int i : plotted) rowRuns.emplace_back(XyRowTable(area, set[i]));
    // Runs looked at on several threads a stretch at a time; drawn in order on this one.
    const int threads = std::clamp(file.WorkThreads(), 1, 16);
    const int64_t runs = (range.count + kRun - 1) / kRun, perThread = 8, stretch = perThread * threads;
    std::vector<RunPoints> points(static_cast<size_t>(stretch));
    for (int64_t first = 0; first < runs; first += stretch) {
        const int64_t last = std::min(first + stretch, runs);
        auto work = [&](int t) {
            const int64_t a = std::min(first + t * perThread, last), b = std::min(a + perThread, last);
            PointsOfRuns(file, set, table, xIndex, plotted, range, columnRuns, rowRuns, a, b,
                         std::span(points).subspan(static_cast<size_t>(a - first)));
        };
        {
            std::vector<std::jthread> helpers;
            for (int t = 1; t < threads && first + t * perThread < last; ++t) helpers.emplace_back(work, t);
            work(0);
        }
        for (int64_t r = first; r < last; ++r) {
            const RunPoints& run = points[static_cast<size_t>(r - first)];
            if (!run.xRead) return;
            for (size_t k = 0; k < plotted.size(); ++k)
                if (run.read[k]) DrawXYPoints(plane, area, run.points[k], set[plotted[k]].colour, carries[k]);
        }
    }
}

void XyFigureCache::Draw(RasterPlane& plane, CWaveFile& file, const ViewArea& area, const TraceSet& set,
                         const OnOffTable& table, int xIndex, const XyRange& range) {
    const int left = area.AreaLeft(), top = area.AreaTop(), w = area.areaWidth, h = area.areaHeight;
    std::vector<int64_t> key = KeyOf(area, set, table, xIndex, range);
    if (key == key_ && bits_.size() == static_cast<size_t>(w) * static_cast<size_t>(h)) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t b = bits_[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
                if (b)
                    plane.Set(left + x, top + y,
                              static_cast<uint8_t>((plane.At(left + x, top + y) & ~kTraceLayers) | b));
            }
        return;
    }
    // Run by run: the X samples are read once, each trace continues its own line from the run before.
    const DisplayTrace& xTrace = set[xIndex];
    const int xChannel = ChannelOf(table, xIndex);
    std::vector<int> plotted;
    for (int i = 0; i < kTraceCount; ++i)
        if (Plotted(set[i], table, i, xIndex)) plotted.push_back(i);
    std::vector<std::optional<XyPoint>> carries(plotted.size());
    if (range.count >= kTablesFrom) {
        DrawLong(plane, file, area, set, table, xIndex, plotted, range, carries);
        plotted.clear();
    }
    std::vector<int16_t> xs, ys;
    for (int64_t at = range.start; !plotted.empty() && at < range.start + range.count; at += kRun) {
        const int64_t n = std::min(kRun, range.start + range.count - at);
        if (!ReadSamples(xTrace, file, range.record, xChannel, at, n, xs)) break;
        const std::vector<int64_t> columns = XyColumns(area, xTrace, xs);
        for (size_t k = 0; k < plotted.size(); ++k) {
            const DisplayTrace& t = set[plotted[k]];
            if (!ReadSamples(t, file, range.record, ChannelOf(table, plotted[k]), at, n, ys)) continue;
            const size_t m = std::min(columns.size(), ys.size());
            DrawXYRun(plane, area, t, std::span<const int64_t>(columns).first(m), std::span<const int16_t>(ys).first(m),
                      t.colour, carries[k]);
        }
    }
    ++drawn_;
    key_ = std::move(key);
    bits_.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bits_[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
                static_cast<uint8_t>(plane.At(left + x, top + y) & kTraceLayers);
}

}  // namespace kivelo
