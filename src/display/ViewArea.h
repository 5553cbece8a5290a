#pragma once
// Geometry record of one display window: its rectangle of the RasterPlane,
// the trace area inside it and its graticule.
#include <cstdint>

namespace kivelo {

enum class WindowId : uint8_t { Main = 0, Zoom = 1, History = 2, Xy = 3 };
inline constexpr int kWindowCount = 4;

struct ViewArea {
    uint8_t windowIndex = 0;
    uint8_t splitCount = 1;
    uint8_t orientation = 0;
    uint8_t horizontalDivisions = 10;
    uint8_t verticalDivisions = 10;
    uint16_t windowX = 0;
    uint16_t windowY = 0;
    uint16_t windowWidth = 2048;
    uint16_t windowHeight = 1200;
    uint16_t areaX = 10;
    uint16_t areaY = 10;
    uint16_t areaWidth = 400;
    uint16_t areaHeight = 400;
    uint16_t graticuleStyle = 0;

    // A request for 0 groups is ignored.
    void SetSplitCount(int count);
    // Places the window's rectangle in the plane (the plane grows to hold it when drawn).
    void SetWindow(int x, int y, int width, int height);
    // Trace area relative to the window origin; negative values become 0.
    void SetArea(int x, int y, int width, int height);
    int AreaLeft() const { return windowX + areaX; }
    int AreaTop() const { return windowY + areaY; }
};

}  // namespace kivelo
