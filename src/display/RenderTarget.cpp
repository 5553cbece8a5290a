#include "display/RenderTarget.h"

#include <algorithm>

#include "display/ColourCode.h"

namespace kivelo {

bool BeginWindowDraw(const RenderTarget& target, const ViewArea& area) {
    target.cache.Follow(target.model);
    RasterPlane& plane = target.cache.plane;
    const int W = target.ClientWidth();
    const int H = std::max(target.PlotHeight(), 0);
    if (!target.HasDocument()) {
        target.painter.FillRect(0, kWindowPanelHeight, W, H, target.model.palette.Background());
        return false;
    }
    plane.EnsureSize(area.windowX + W, area.windowY + H);
    plane.Clear(area.windowX, area.windowY, W, H, colour_code::kClearMask);
    return true;
}

}  // namespace kivelo
