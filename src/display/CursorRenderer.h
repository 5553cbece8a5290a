#pragma once
// Drawing the Mes/Ref cursors and their readouts, and moving them by mouse.
#include <optional>

#include "display/RenderTarget.h"

namespace kivelo {

struct CursorReading {
    double time = 0.0;
    std::optional<int> sampleIndex;  // in the trace's display points
    std::optional<double> value;
};

// Points spanned by a window and its first point (Main: the record; Zoom: the stretch).
void WindowSpan(const DisplayModel& model, WindowId window, int64_t& span, int64_t& first);
// Time and, with a trace attached, the display point and value under window column x.
CursorReading ReadCursor(const DisplayModel& model, WindowId window, int x, int trace);
// Draws both cursors of the window and the readout block (mouse mode 0 only).
void DrawCursors(const RenderTarget& target, WindowId window);
// Repaints only what moving a cursor changes: the trace area from the plane
// (the zoom frame of the Main window again on top), then both cursors and the readouts.
void RedrawCursors(const RenderTarget& target, WindowId window);
// Left button: Mes cursor, right: Ref. On a press the trace under the pointer
// (window coordinates) is attached, or none.
void MoveCursor(DisplayModel& model, WindowId window, int x, int y, bool left, bool press);

}  // namespace kivelo
