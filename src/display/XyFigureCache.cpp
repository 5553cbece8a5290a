#include "display/XyFigureCache.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <span>
#include <thread>

#include "display/ColourCode.h"
#include "display/DisplayPointLoader.h"
#include "display/XyPlot.h"

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

std::vector<int32_t> ByStoredValue(const DisplayTrace& trace, const std::vector<int32_t>& byDisplayed) {
    std::vector<int32_t> table(byDisplayed.size());
    for (uint32_t v = 0; v < table.size(); ++v) table[v] = byDisplayed[DisplayedBits(trace, static_cast<uint16_t>(v))];
    return table;
}

// Positions of the points of one run for every trace plotted, each point that
// falls on the pixel of the one before left out (the drawing leaves it out too).
struct RunPoints {
    bool xRead = false;
    std::vector<uint8_t> read;                // per trace plotted
    std::vector<std::vector<XyCell>> points;  // per trace plotted
};

// Runs [first, last) of a long figure: the X samples read once per run, their
// columns looked up once, each trace's rows looked up (both by the values as read) and compared with the point before.
void PointsOfRuns(const CWaveFile& file, const TraceSet& set, const OnOffTable& table, int xIndex,
                  std::span<const int> plotted, const XyRange& range, const std::vector<int32_t>& columnTable,
                  std::span<const std::vector<int32_t>> rowTables, int64_t first, int64_t last,
                  std::span<RunPoints> out) {
    std::vector<int16_t> xs, ys;
    std::vector<int32_t> columns;
    std::vector<XyCell> previous(plotted.size(), XyCell{INT32_MIN, INT32_MIN});  // never a position
    for (int64_t r = first; r < last; ++r) {
        RunPoints& run = out[static_cast<size_t>(r - first)];
        run.read.assign(plotted.size(), 0);
        run.points.resize(plotted.size());
        const int64_t at = range.start + r * XyFigureCache::kRun;
        const int64_t n = std::min(XyFigureCache::kRun, range.start + range.count - at);
        run.xRead = ReadStoredSamples(file, range.record, ChannelOf(table, xIndex), at, n, xs);
        if (!run.xRead) return;
        columns.resize(xs.size());
        for (size_t i = 0; i < xs.size(); ++i) columns[i] = columnTable[static_cast<uint16_t>(xs[i])];
        for (size_t k = 0; k < plotted.size(); ++k) {
            std::vector<XyCell>& points = run.points[k];
            points.clear();
            if (!ReadStoredSamples(file, range.record, ChannelOf(table, plotted[k]), at, n, ys)) continue;
            run.read[k] = 1;
            const int32_t* rows = rowTables[k].data();
            const size_t m = std::min(columns.size(), ys.size());
            // Column and row packed into one key: one comparison per point, and
            // four points on the pixel of the one before them passed with one branch.
            auto key = [&](size_t i) {
                return static_cast<uint64_t>(static_cast<uint32_t>(columns[i])) << 32 |
                       static_cast<uint32_t>(rows[static_cast<uint16_t>(ys[i])]);
            };
            uint64_t last = static_cast<uint64_t>(static_cast<uint32_t>(previous[k].x)) << 32 |
                            static_cast<uint32_t>(previous[k].y);
            auto take = [&](uint64_t q) {
                if (q == last) return;
                last = q;
                points.push_back({static_cast<int32_t>(q >> 32), static_cast<int32_t>(q & 0xFFFFFFFFu)});
            };
            size_t i = 0;
            for (; i + 4 <= m; i += 4) {
                const uint64_t k0 = key(i), k1 = key(i + 1), k2 = key(i + 2), k3 = key(i + 3);
                if (((k0 ^ last) | (k1 ^ last) | (k2 ^ last) | (k3 ^ last)) == 0) continue;
                take(k0);
                take(k1);
                take(k2);
                take(k3);
            }
            for (; i < m; ++i) take(key(i));
            previous[k] = {static_cast<int32_t>(last >> 32), static_cast<int32_t>(last & 0xFFFFFFFFu)};
        }
    }
}

}  // namespace

void XyFigureCache::DrawLong(RasterPlane& plane, const CWaveFile& file, const ViewArea& area, const TraceSet& set,
                             const OnOffTable& table, int xIndex, std::span<const int> plotted, const XyRange& range,
                             std::span<std::optional<XyPoint>> carries) {
    // Positions by table, indexed by the values as read: the same as worked out one
    // by one from display values, at one load per sample.
    const std::vector<int32_t> columnTable = ByStoredValue(set[xIndex], XyColumnTable(area, set[xIndex]));
    std::vector<std::vector<int32_t>> rowTables;
    for (const int i : plotted) rowTables.push_back(ByStoredValue(set[i], XyRowTable(area, set[i])));
    // Runs looked at on several threads a stretch at a time; drawn in order on this one.
    const int threads = std::clamp(file.WorkThreads(), 1, 16);
    const int64_t runs = (range.count + kRun - 1) / kRun, perThread = 8, stretch = perThread * threads;
    std::vector<RunPoints> points(static_cast<size_t>(stretch));
    for (int64_t first = 0; first < runs; first += stretch) {
        const int64_t last = std::min(first + stretch, runs);
        auto work = [&](int t) {
            const int64_t a = std::min(first + t * perThread, last), b = std::min(a + perThread, last);
            PointsOfRuns(file, set, table, xIndex, plotted, range, columnTable, rowTables, a, b,
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
