#include "display/ViewArea.h"

#include <algorithm>

#include "display/RasterPlane.h"

namespace kivelo {
namespace {
uint16_t ToU16(int v, int hi) { return static_cast<uint16_t>(std::clamp(v, 0, hi)); }
}  // namespace

void ViewArea::SetSplitCount(int count) {
    if (count >= 1) splitCount = static_cast<uint8_t>(std::min(count, 255));
}

void ViewArea::SetWindow(int x, int y, int width, int height) {
    windowX = ToU16(x, RasterPlane::kMaxSide);
    windowY = ToU16(y, RasterPlane::kMaxSide);
    windowWidth = ToU16(width, RasterPlane::kMaxSide - windowX);
    windowHeight = ToU16(height, RasterPlane::kMaxSide - windowY);
}

void ViewArea::SetArea(int x, int y, int width, int height) {
    areaX = ToU16(x, 0xFFFF);
    areaY = ToU16(y, 0xFFFF);
    areaWidth = ToU16(width, 0xFFFF);
    areaHeight = ToU16(height, 0xFFFF);
}

}  // namespace kivelo
