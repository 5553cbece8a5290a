#include "display/Present.h"

#include <algorithm>

namespace kivelo {

IndexedImage PresentPlane(const RasterPlane& plane, const DisplayPalette& palette, int x, int y, int width,
                          int height) {
    IndexedImage image;
    image.width = std::clamp(width, 0, plane.Width());
    image.height = std::clamp(height, 0, plane.Height());
    image.palette = palette.Entries();
    image.pixels.assign(static_cast<size_t>(image.width) * image.height, DisplayPalette::kBackgroundEntry);
    const auto& lut = DisplayPalette::EntryLut();
    const int x1 = std::max(x, 0), x2 = std::min(x + image.width, plane.Width());
    for (int row = 0; row < image.height; ++row) {
        const auto src = plane.Row(y + row);
        if (src.empty() || x1 >= x2) continue;
        uint8_t* dst = image.pixels.data() + static_cast<size_t>(row) * image.width + (x1 - x);
        for (int col = x1; col < x2; ++col) *dst++ = lut[src[static_cast<size_t>(col)]];
    }
    return image;
}

void Present(DisplayPainter& painter, const RasterPlane& plane, const DisplayPalette& palette, int x, int y, int width,
             int height, int dx, int dy) {
    if (width <= 0 || height <= 0) return;
    std::array<Rgb, 256> colours;
    const auto& lut = DisplayPalette::EntryLut();
    for (size_t b = 0; b < colours.size(); ++b) colours[b] = palette.Entry(lut[b]);
    const int w = std::min(width, plane.Width()), h = std::min(height, plane.Height());
    if (painter.DrawPlane(dx, dy, plane, x, y, w, h, colours, palette.Entry(DisplayPalette::kBackgroundEntry))) {
        return;
    }
    painter.DrawImage(dx, dy, PresentPlane(plane, palette, x, y, width, height));
}

}  // namespace kivelo
