#include "GoldenScenes.h"

#include <cmath>
#include <cstdio>

#include "Graticule.h"
#include "TraceRasterizer.h"

namespace kivelo::test {
namespace {

ViewArea Area(int x, int y, int w, int h, int style, int groups) {
    ViewArea a;
    a.SetWindow(0, 0, 2048, 1200);
    a.SetArea(x, y, w, h);
    a.graticuleStyle = static_cast<uint16_t>(style);
    a.SetSplitCount(groups);
    return a;
}

DisplayTrace Trace(uint8_t slot, uint32_t colour, uint32_t points) {
    DisplayTrace t;
    t.displayOn = 1;
    t.positionSlot = slot;
    t.colour = colour;
    t.pointCount = points;
    t.columnCount = 200;
    t.pairCount = 200;
    return t;
}

// Six graticule styles, each with a sine (clipped by a 2x zoom), a 3-point
// ramp pair and a 4-bit logic trace in two groups.
void GraticuleStyles(RasterPlane& plane) {
    for (int style = 0; style <= 5; ++style) {
        const ViewArea a = Area(10 + (style % 3) * 230, 10 + (style / 3) * 170, 200, 140, style, 2);
        DrawGraticule(plane, a);
        DisplayTrace sine = Trace(0, 1, 2000);
        for (int i = 0; i < 2000; ++i) sine.samples[static_cast<size_t>(i)] = static_cast<int16_t>(30000 * std::sin(i * 0.0126));
        sine.verticalZoom = 2 * 65536;
        BuildAndDraw(plane, a, sine);
        DisplayTrace ramp = Trace(1, 2, 3);
        ramp.samples[0] = -20000;
        ramp.samples[1] = 20000;
        ramp.samples[2] = -20000;
        BuildAndDraw(plane, a, ramp);
        DisplayTrace logic = Trace(2, 3, 40);
        logic.logic = 1;
        logic.bitCount = 4;
        for (int i = 0; i < 40; ++i) logic.samples[static_cast<size_t>(i)] = static_cast<int16_t>(i / 3);
        BuildAndDraw(plane, a, logic);
    }
}

// Narrow columns: 50 pairs over 400 pixels, drawn two pixels wide, and a
// highlight copy shifted down.
void WideColumns(RasterPlane& plane) {
    const ViewArea a = Area(8, 8, 400, 120, 1, 1);
    DrawGraticule(plane, a);
    DisplayTrace t = Trace(0, 5, 6);
    t.columnCount = 50;
    t.pairCount = 50;
    const int16_t v[] = {0, 15000, -15000, 30000, -30000, 0};
    for (int i = 0; i < 6; ++i) t.samples[static_cast<size_t>(i)] = v[i];
    BuildAndDraw(plane, a, t);
    t.colour = 32;
    t.verticalPosition = -4000;
    BuildAndDraw(plane, a, t);
}

}  // namespace

const std::vector<GoldenScene>& GoldenScenes() {
    static const std::vector<GoldenScene> scenes{
        {"graticule_styles", 700, 340, GraticuleStyles},
        {"wide_columns", 420, 140, WideColumns},
    };
    return scenes;
}

std::vector<char> EncodeScene(const RasterPlane& plane, int width, int height) {
    char head[32];
    const int n = std::snprintf(head, sizeof head, "KVPL %d %d\n", width, height);
    std::vector<char> out(head, head + n);
    for (int y = 0; y < height; ++y) {
        const auto row = plane.Row(y);
        out.insert(out.end(), row.begin(), row.begin() + width);
    }
    return out;
}

std::string GoldenPath(const std::string& name) {
    return std::string(KIVELO_SOURCE_DIR) + "/tests/display/golden/" + name + ".plane";
}

}  // namespace kivelo::test
