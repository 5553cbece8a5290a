#include "display/VerticalScaling.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace kivelo {
namespace {
constexpr int32_t kMaxZoom = 0x400000;  // 64.0
constexpr int32_t kMinZoom = 512;       // 1/128
}  // namespace

void ShiftVertically(DisplayTrace& trace, const ViewArea& area, int dy) {
    const int64_t bandHeight = area.areaHeight / std::max<int>(area.splitCount, 1);
    const int64_t zoom = std::max<int32_t>(trace.verticalZoom, 1);
    if (bandHeight <= 0) return;
    const int64_t delta = ((static_cast<int64_t>(dy) * 65536 / bandHeight) * 65536) / zoom;
    const int64_t v = std::clamp<int64_t>(trace.verticalPosition + delta, std::numeric_limits<int32_t>::min(),
                                          std::numeric_limits<int32_t>::max());
    trace.verticalPosition = static_cast<int32_t>(v);
}

bool ZoomVertically(DisplayTrace& trace, const ViewArea& area, int row, bool zoomIn) {
    const int64_t before = trace.verticalZoom;
    if (zoomIn ? before > kMaxZoom : before < kMinZoom) return false;
    const int64_t after = zoomIn ? before * 2 : before / 2;
    if (after < 1) return false;
    trace.verticalZoom = static_cast<int32_t>(after);
    const int64_t groups = std::max<int>(area.splitCount, 1);
    const int64_t ah = area.areaHeight;
    const int64_t g = trace.positionSlot % groups;
    const int64_t centre = area.AreaTop() + g * ah / groups + ah / (2 * groups);
    const int64_t shift = (after * (centre - row)) / before + (row - centre);
    ShiftVertically(trace, area, static_cast<int>(std::clamp<int64_t>(shift, -(1 << 24), 1 << 24)));
    return true;
}

}  // namespace kivelo
