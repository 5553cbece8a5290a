#include "display/RenderTarget.h"

#include <algorithm>

#include "display/ColourCode.h"

namespace kivelo {

bool BeginWindowDraw(const RenderTarget& target, ViewArea& area, int splitCount) {
    DisplayModel& m = target.model;
    const int W = target.ClientWidth();
    const int H = std::max(target.PlotHeight(), 0);
    area.SetSplitCount(splitCount);
    if (!target.HasDocument()) {
        target.painter.FillRect(0, kWindowPanelHeight, W, H, m.palette.Background());
        return false;
    }
    m.plane.EnsureSize(area.windowX + W, area.windowY + H);
    area.SetWindow(area.windowX, area.windowY, W, H);
    m.plane.Clear(area.windowX, area.windowY, W, H, colour_code::kClearMask);
    return true;
}

}  // namespace kivelo
