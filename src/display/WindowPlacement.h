#pragma once
// What a window's size decides in the model, settled before the window is
// drawn, so that drawing only reads the model: the window's rectangle and
// trace area, its split, the History grid, the Zoom stretch's first sample,
// which traces are shown in which slot, and cursors still given as columns.
#include <array>
#include <cstdint>

#include "display/DisplayModel.h"
#include "display/RenderTarget.h"

namespace kivelo {

// Places one window for a draw into `target` (the target's model is `model`).
void PlaceWindow(DisplayModel& model, const RenderTarget& target, WindowId window);
// The windows RedrawAll would draw with these arguments, placed in its order.
void PlaceWindows(DisplayModel& model, RenderCache& cache, CWaveFile* file,
                  const std::array<DisplayPainter*, kWindowCount>& painters, const TextMetrics& metrics, int frameWidth,
                  int frameHeight, uint32_t windows = 0xF);
// The painter of a window RedrawAll draws: null for a window hidden or not in
// `windows` (bits 1 << WindowId).
DisplayPainter* WindowPainter(const DisplayModel& model, const std::array<DisplayPainter*, kWindowCount>& painters,
                              uint32_t windows, WindowId window);
// Gives the window's cursors still given as columns their samples, as a
// draw of the window's cursors would show them (before RedrawCursors).
void PlaceCursors(DisplayModel& model, const RenderTarget& target, WindowId window);

}  // namespace kivelo
