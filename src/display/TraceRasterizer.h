#pragma once
// Rasterising of one trace's envelope into its band of the RasterPlane.
#include <cstdint>
#include <span>

#include "display/DisplayTrace.h"
#include "display/Envelope.h"
#include "display/RasterPlane.h"
#include "display/ViewArea.h"

namespace kivelo {

// Where a trace lies in its window: the band of its group and the mappings
// from sample value to row and from pair index to column.
struct BandGeometry {
    int group = 0;
    int bandTop = 0;     // first row of the band
    int bandBottom = 0;  // first row below the band
    int64_t centreRow = 0;
    int64_t scale = 0;   // band pixels x 65536 per 65536 counts (16.16 pixels for the full range)
    int64_t firstX = 0;  // 16.16
    int64_t stepX = 0;   // 16.16 per pair
    int areaLeft = 0;
    int areaRight = 0;  // first column right of the area

    static BandGeometry Of(const ViewArea& area, const DisplayTrace& trace);
    // Row of sample value s (rows grow downward).
    int64_t RowOf(int64_t s) const { return centreRow - ((s * scale) >> 32); }
};

// Draws the pairs of an analogue trace: vertical runs clipped to the band,
// two pixels wide where consecutive columns skip a pixel.
void DrawAnalogue(RasterPlane& plane, const BandGeometry& band, std::span<const EnvelopePair> pairs, uint32_t colour);
// Draws a logic trace as `bitCount` rows of high/low lines.
void DrawLogic(RasterPlane& plane, const BandGeometry& band, const DisplayTrace& trace,
               std::span<const EnvelopePair> pairs);
// Bit shown in row k (0 = top) of a logic trace.
int LogicBitOfRow(const DisplayTrace& trace, int row);

// Turns the trace's display points into pairs and rasterises them; nothing
// when the trace is off. spanIntervals as for BuildEnvelope.
void BuildAndDraw(RasterPlane& plane, const ViewArea& area, const DisplayTrace& trace, int spanIntervals = 0);

}  // namespace kivelo
