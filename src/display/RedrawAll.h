#pragma once
// Placing the windows' rectangles in the plane after a layout, and redrawing
// the four windows in their fixed order.
#include <array>

#include "display/DisplayModel.h"
#include "display/DisplayPainter.h"
#include "display/RenderCache.h"
#include "display/TextMetrics.h"
#include "display/WindowLayout.h"
#include "wavefile/CWaveFile.h"

namespace kivelo {

// Gives every window the plane rectangle under its frame position (below its
// panel) and recomputes the History grid; the zoom frame drawn before is gone.
void ApplyLayout(DisplayModel& model, RenderCache& cache, const LayoutResult& layout);

// Main, Zoom (with the zoom frame in Main), History, XY; a null painter or a
// hidden window is skipped. `windows` (bits 1 << WindowId) limits the draw to
// some windows; the Main painter is still used for the zoom frame. The windows
// must have been placed (PlaceWindows with the same arguments).
void RedrawAll(const DisplayModel& model, RenderCache& cache, CWaveFile* file,
               const std::array<DisplayPainter*, kWindowCount>& painters, const TextMetrics& metrics, int frameWidth,
               int frameHeight, uint32_t windows = 0xF);

}  // namespace kivelo
