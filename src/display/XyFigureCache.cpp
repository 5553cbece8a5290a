#include "display/XyFigureCache.h"

#include <algorithm>
#include <climits>
#include <new>
#include <optional>
#include <span>
#include <system_error>
#include <thread>

#include "common/HugePages.h"
#include "display/ColourCode.h"
#include "display/DisplayPointLoader.h"
#include "display/XyPixelRuns.h"
#include "display/XyPlot.h"
#include "display/XyStroke.h"

namespace kivelo {
namespace {

constexpr uint8_t kTraceLayers = 0x3F;
constexpr size_t kHugeSamples = kHugePageBytes / sizeof(int16_t);

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

// A stretch of runs drawn by one thread into a layer of its own, each trace's
// line continued from the pixel of the pair before the stretch. Runs from
// `xFailed` on were not drawn: their X samples could not be read.
struct Stretch {
    int64_t first = 0, last = 0;
    XyLayer layer;
    int64_t xFailed = INT64_MAX;
};

// The line of each trace goes on from the pixel of its last pair before `at`.
bool StartStrokes(const CWaveFile& file, const TraceSet& set, const OnOffTable& table, int xIndex,
                  std::span<const int> plotted, const XyRange& range, int64_t at, std::span<XyStroke> strokes) {
    constexpr int64_t kBefore = 2;  // a whole pair: realtime reads deliver no less
    SampleRun xs, ys;
    if (!ReadSamples(set[xIndex], file, range.record, ChannelOf(table, xIndex), at - kBefore, kBefore, xs) ||
        xs.size() != kBefore)
        return false;
    for (size_t k = 0; k < plotted.size(); ++k) {
        if (!ReadSamples(set[plotted[k]], file, range.record, ChannelOf(table, plotted[k]), at - kBefore, kBefore,
                         ys) ||
            ys.size() != kBefore)
            return false;
        strokes[k].pen.StartFrom(strokes[k].Reach(xs.back(), ys.back()));
        strokes[k].boxed = true;
    }
    return true;
}

bool DrawStretch(const CWaveFile& file, const TraceSet& set, const OnOffTable& table, int xIndex,
                 std::span<const int> plotted, const XyRange& range, std::span<XyStroke> strokes, Stretch& out) {
    // On huge pages: the runs read into them need one address translation each.
    SampleRun xs, ys;
    xs.reserve(kHugeSamples);
    ys.reserve(kHugeSamples);
    for (int64_t r = out.first; r < out.last; ++r) {
        const int64_t at = range.start + r * XyFigureCache::kRun;
        const int64_t n = std::min(XyFigureCache::kRun, range.start + range.count - at);
        if (!ReadSamples(set[xIndex], file, range.record, ChannelOf(table, xIndex), at, n, xs)) {
            out.xFailed = r;
            return true;
        }
        if (r == out.first && r > 0 && !StartStrokes(file, set, table, xIndex, plotted, range, at, strokes))
            return false;
        for (size_t k = 0; k < plotted.size(); ++k) {
            if (!ReadSamples(set[plotted[k]], file, range.record, ChannelOf(table, plotted[k]), at, n, ys))
                return false;
            strokes[k].Add(xs.data(), ys.data(), std::min(xs.size(), ys.size()), out.layer);
        }
    }
    return true;
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
    // Each thread draws a stretch of whole runs into its own layer; later stretches
    // are laid over earlier ones, which is the order in which one thread paints.
    const int64_t runs = (range.count + kRun - 1) / kRun;
    const int threads = static_cast<int>(std::clamp<int64_t>(file.WorkThreads(), 1, std::min<int64_t>(16, runs)));
    std::vector<Stretch> stretches(static_cast<size_t>(threads));
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
                strokes.emplace_back(columnRuns, rowRuns[k], box, static_cast<uint8_t>(set[plotted[k]].colour));
            ok[t] = DrawStretch(file, set, table, xIndex, plotted, range, strokes, s);
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
    // Stretches after the first whose X samples could not be read are not drawn.
    size_t drawn = 0;
    while (drawn < stretches.size()) {
        if (!ok[drawn]) return false;
        if (stretches[drawn++].xFailed != INT64_MAX) break;
    }
    for (int64_t y = 0; y < area.areaHeight; ++y)
        for (int64_t x = 0; x < area.areaWidth; ++x) {
            const size_t i = static_cast<size_t>(y * area.areaWidth + x);
            for (size_t t = drawn; t-- > 0;)
                if (const uint8_t code = stretches[t].layer.codes[i]) {
                    plane.Paint(static_cast<int>(box.left + x), static_cast<int>(box.top + y), code);
                    break;
                }
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
    // Run by run: the X samples are read once, each trace continues its own line from the run before.
    const DisplayTrace& xTrace = set[xIndex];
    const int xChannel = ChannelOf(table, xIndex);
    std::vector<int> plotted;
    for (int i = 0; i < kTraceCount; ++i)
        if (Plotted(set[i], table, i, xIndex)) plotted.push_back(i);
    std::vector<std::optional<XyPoint>> carries(plotted.size());
    if (range.count >= kLongFrom && DrawLong(plane, file, area, set, table, xIndex, plotted, range)) plotted.clear();
    SampleRun xs, ys;
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
    Figure figure{std::move(key), std::vector<uint8_t>(pixels)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            figure.bits[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
                static_cast<uint8_t>(plane.At(left + x, top + y) & kTraceLayers);
    if (kept_.size() >= kKept) kept_.pop_back();
    kept_.insert(kept_.begin(), std::move(figure));
}

}  // namespace kivelo
