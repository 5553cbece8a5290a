#include "display/MouseTargets.h"

#include <algorithm>
#include <cstdlib>

#include "display/CursorState.h"
#include "display/RenderTarget.h"

namespace kivelo {

bool InLabelColumn(const ViewArea& area, int x, int y) {
    return x > area.areaX + area.areaWidth + 10 && y > kWindowPanelHeight;
}

int TraceAtLabelRow(const TraceSet& set, int y, int lineHeight) {
    if (lineHeight <= 0 || y < kWindowPanelHeight) return kNoTrace;
    int row = (y - kWindowPanelHeight) / (3 * lineHeight);
    for (int i = 0; i < kTraceCount; ++i) {
        if (!set[i].displayOn) continue;
        if (row-- == 0) return set[i].logic ? kNoTrace : i;
    }
    return kNoTrace;
}

bool OnZoomFrame(const ViewArea& a, const ZoomFrameMark& frame, int x, int y) {
    if (frame.x1 < 0 || frame.x2 < 0) return false;
    const int top = a.areaY + kWindowPanelHeight;
    const int bottom = top + a.areaHeight;
    if (y < top || y > bottom) return false;
    const int left = a.areaX + frame.x1;
    const int right = a.areaX + frame.x2;
    if (std::abs(x - left) <= 3 || std::abs(x - right) <= 3) return true;
    const bool between = x >= left - 3 && x <= right + 3;
    return between && (y < top + 5 || y > bottom - 5);
}

double DraggedZoomPosition(const ZoomController& zoom, const ViewArea& a, int64_t recordLength, int pressX, int x) {
    if (recordLength <= 0 || a.areaWidth == 0) return 0.0;
    const double L = static_cast<double>(recordLength);
    const double start = static_cast<double>(x - pressX) / a.areaWidth * L + static_cast<double>(zoom.ZoomStart());
    return std::clamp(start / L * ZoomController::kWhole, 0.0, zoom.MaxPosition(recordLength));
}

}  // namespace kivelo
