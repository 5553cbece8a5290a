#include "display/XyFigureCache.h"

#include <algorithm>
#include <optional>

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

}  // namespace

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
