#pragma once
// Drawing the Mes/Ref cursors and their readouts, and moving them by mouse.
#include <optional>

#include "display/CursorSamples.h"
#include "display/RenderTarget.h"

namespace kivelo {

struct CursorReading {
    double time = 0.0;
    std::optional<int64_t> sampleIndex;  // the record's sample at the cursor's time
    std::optional<int16_t> raw;          // that sample as the display holds samples
    std::optional<double> value;
};

// Time of sample position `sample` and, with a trace the window shows, the
// value of the sample at that time read from the file (none without one).
CursorReading ReadCursor(const DisplayModel& model, CWaveFile* file, WindowId window, double sample, int trace);
// Draws both cursors of the window and the readout block (mouse mode 0 only);
// cursors still given as columns must have been placed (PlaceCursors).
void DrawCursors(const RenderTarget& target, WindowId window);
// Repaints only what moving a cursor changes: the trace area from the plane
// (the zoom frame of the Main window again on top), then both cursors and the readouts.
void RedrawCursors(const RenderTarget& target, WindowId window);
// Left button: Mes cursor, right: Ref, to the sample under window column x.
// On a press the trace drawn in `plane` under the pointer (window coordinates)
// is attached, or none.
void MoveCursor(DisplayModel& model, const RasterPlane& plane, WindowId window, int x, int y, bool left, bool press);

}  // namespace kivelo
