#pragma once
// The XY figure of a long range drawn from the sample pairs themselves (not
// from min/max display points), once: the drawn area is kept and put back
// into the plane while record, range, X trace, traces and scales stay the same.
// The last few figures are kept, so that going back to a record or a scale
// just left (History clicks back and forth) draws nothing anew.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "display/RasterPlane.h"
#include "display/TraceSet.h"
#include "display/ViewArea.h"
#include "display/XyPlot.h"
#include "wavefile/CWaveFile.h"

namespace kivelo {

struct XyRange {
    uint64_t generation = 0;  // of the document
    int record = 0;
    int64_t start = 0;  // first sample
    int64_t count = 0;  // samples
};

class XyFigureCache {
public:
    static constexpr int64_t kRun = 131072;  // samples read at a time
    // Ranges from this long are drawn on several threads through runs of values that share a pixel.
    static constexpr int64_t kLongFrom = int64_t{1} << 20;

    // Plots every trace of `set` that is on (not logic, not the X trace)
    // against trace xIndex over the range, reading the samples from the file,
    // or puts the figure drawn last back when nothing it depends on changed.
    void Draw(RasterPlane& plane, CWaveFile& file, const ViewArea& area, const TraceSet& set, const OnOffTable& table,
              int xIndex, const XyRange& range);
    // Draws made from the file so far (for tests: the cache's hits do not count).
    int FiguresDrawn() const { return drawn_; }
    void Clear() { kept_.clear(); }
    static constexpr size_t kKept = 4;

private:
    // The figure of a long range on several threads; false (nothing drawn) when a
    // read failed or came back short, or a colour is no trace colour: the caller
    // then draws it point by point on one thread, which stops where X stops.
    bool DrawLong(RasterPlane& plane, const CWaveFile& file, const ViewArea& area, const TraceSet& set,
                  const OnOffTable& table, int xIndex, std::span<const int> plotted, const XyRange& range);

    struct Figure {
        std::vector<int64_t> key;
        std::vector<uint8_t> bits;  // trace layers (bits 0..5) of the area, row by row
    };
    std::vector<Figure> kept_;  // the most recently used first, at most kKept
    int drawn_ = 0;
};

}  // namespace kivelo
