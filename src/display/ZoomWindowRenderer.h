#pragma once
// The Zoom window and the frame that marks its stretch in the Main window.
#include "display/RenderTarget.h"

namespace kivelo {

// Trace area of a window of W x H (H below the panel) for the Zoom window.
void LayOutZoomArea(ViewArea& area, int width, int height);

// Draws the Zoom window; with `mainPainter` the zoom frame is drawn into the
// Main window too.
bool DrawZoomWindow(const RenderTarget& target, DisplayPainter* mainPainter = nullptr);

// Marks samples start .. end in the Main window (erasing the previous mark).
void DrawZoomFrame(const DisplayModel& model, RenderCache& cache, DisplayPainter& mainPainter, int64_t start,
                   int64_t end);

}  // namespace kivelo
