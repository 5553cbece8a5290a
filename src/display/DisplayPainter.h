#pragma once
// The few drawing operations the display windows need on top of the raster
// plane: texts, pens, rectangles, sunken edges and palette images. One
// painter covers one window's client area, in its coordinates.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "display/RasterPlane.h"
#include "display/Rgb.h"

namespace kivelo {

enum class PenStyle { Solid, Dot, DashDotDot };

// 8-bit image with its own colour table (entries beyond those used are black).
struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // rows top-down, `width` bytes each
    std::array<Rgb, 256> palette{};
};

class DisplayPainter {
public:
    virtual ~DisplayPainter() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void FillRect(int x, int y, int width, int height, Rgb colour) = 0;
    // One-pixel line from (x1, y1) to (x2, y2), both ends included; gaps of a
    // patterned pen show the background colour.
    virtual void DrawLine(int x1, int y1, int x2, int y2, Rgb colour, PenStyle style, Rgb background) = 0;
    // One-pixel outline through the corners (x1, y1) and (x2, y2).
    virtual void DrawRectOutline(int x1, int y1, int x2, int y2, Rgb colour) = 0;
    // Sunken 3-D edge on the rectangle's border.
    virtual void DrawSunkenEdge(int x, int y, int width, int height) = 0;
    // Text whose cell's top-left corner is (x, y); with a background the cell is filled first.
    virtual void DrawText(int x, int y, std::string_view text, Rgb colour, std::optional<Rgb> background) = 0;
    virtual int TextWidth(std::string_view text) const = 0;
    virtual void DrawImage(int x, int y, const IndexedImage& image) = 0;
    // Draws the plane rectangle (px, py, width, height) at (x, y), each byte
    // in colours[byte] and pixels outside the plane in `outside`: the same
    // picture as DrawImage of the presented rectangle, without the copy.
    // False when the painter cannot; the caller then uses DrawImage.
    virtual bool DrawPlane(int /*x*/, int /*y*/, const RasterPlane& /*plane*/, int /*px*/, int /*py*/, int /*width*/,
                           int /*height*/, const std::array<Rgb, 256>& /*colours*/, Rgb /*outside*/) {
        return false;
    }
};

}  // namespace kivelo
