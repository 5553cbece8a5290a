#include "display/Graticule.h"

#include "display/ColourCode.h"

namespace kivelo {
namespace {

constexpr uint8_t kBit = colour_code::kGraticuleBit;

void HLine(RasterPlane& plane, int x1, int x2, int y) {
    for (int x = x1; x <= x2; ++x) plane.OrBits(x, y, kBit);
}

void VLine(RasterPlane& plane, int x, int y1, int y2) {
    for (int y = y1; y <= y2; ++y) plane.OrBits(x, y, kBit);
}

void Outline(RasterPlane& plane, int x1, int y1, int x2, int y2) {
    HLine(plane, x1, x2, y1);
    HLine(plane, x1, x2, y2);
    VLine(plane, x1, y1, y2);
    VLine(plane, x2, y1, y2);
}

// Position of division line i of n over a length.
int At(int origin, int length, int i, int n) { return origin + static_cast<int>(static_cast<int64_t>(i) * length / n); }

}  // namespace

int MinorSubdivisions(int pixels) {
    if (pixels > 30) return 10;
    if (pixels >= 16) return 5;
    if (pixels >= 6) return 2;
    return 1;
}

bool DrawGraticule(RasterPlane& plane, const ViewArea& area) {
    const int groups = area.splitCount;
    const int nh = area.horizontalDivisions;
    if (nh < 2 || area.verticalDivisions < 2 || groups < 1) return false;
    const int nv = area.verticalDivisions * groups;
    const int x0 = area.AreaLeft();
    const int y0 = area.AreaTop();
    const int w = area.areaWidth;
    const int h = area.areaHeight;
    const int style = area.graticuleStyle;

    if (style == 4 || style == 5) {
        Outline(plane, x0 - 1, y0 - 1, x0 + w + 1, y0 + h + 1);
    } else if (style != 3) {
        Outline(plane, x0, y0, x0 + w, y0 + h);
    }
    for (int g = 1; g < groups; ++g) HLine(plane, x0, x0 + w, At(y0, h, g, groups));

    switch (style) {
    // clang-format off
        case 0:
        case 3:
        case 5: {
            const int minorH = MinorSubdivisions(w / nh);
            const int minorV = MinorSubdivisions(h / nv);
            for (int i = 0; i <= nh; ++i) {  // vertical division lines
            // clang-format on
            const int x = At(x0, w, i, nh);
            for (int j = 0; j <= nv * minorV; ++j) plane.OrBits(x, At(y0, h, j, nv * minorV), kBit);
        }
        for (int j = 0; j <= nv; ++j) {  // horizontal division lines
            const int y = At(y0, h, j, nv);
            for (int i = 0; i <= nh * minorH; ++i) plane.OrBits(At(x0, w, i, nh * minorH), y, kBit);
        }
        break;
    }
    case 1: {
        constexpr int kTick = 4;
        for (int g = 0; g < groups; ++g) {
            const int top = At(y0, h, g, groups);
            const int bottom = At(y0, h, g + 1, groups);
            for (int i = 1; i < nh; ++i) {
                const int x = At(x0, w, i, nh);
                VLine(plane, x, top, top + kTick - 1);
                VLine(plane, x, bottom - kTick + 1, bottom);
            }
        }
        for (int j = 1; j < nv; ++j) {
            const int y = At(y0, h, j, nv);
            HLine(plane, x0, x0 + kTick - 1, y);
            HLine(plane, x0 + w - kTick + 1, x0 + w, y);
        }
        break;
    }
    case 2: {
        const int cx = x0 + w / 2;
        VLine(plane, cx, y0, y0 + h);
        for (int j = 0; j <= nv; ++j) HLine(plane, cx - 3, cx + 3, At(y0, h, j, nv));
        for (int g = 0; g < groups; ++g) {
            const int cy = y0 + static_cast<int>((2 * g + 1) * static_cast<int64_t>(h) / (2 * groups));
            HLine(plane, x0, x0 + w, cy);
            for (int i = 0; i <= nh; ++i) VLine(plane, At(x0, w, i, nh), cy - 3, cy + 3);
        }
        break;
    }
    default: break;  // 4: the frame alone
    }
    return true;
}

}  // namespace kivelo
