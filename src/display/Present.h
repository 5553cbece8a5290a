#pragma once
// Conversion of a rectangle of the raster plane into a palette image.
#include "display/DisplayPainter.h"
#include "display/DisplayPalette.h"
#include "display/RasterPlane.h"

namespace kivelo {

// Pixels outside the plane show the background entry.
IndexedImage PresentPlane(const RasterPlane& plane, const DisplayPalette& palette, int x, int y, int width, int height);
// Presents the rectangle and draws it at (dx, dy) of the painter.
void Present(DisplayPainter& painter, const RasterPlane& plane, const DisplayPalette& palette, int x, int y, int width,
             int height, int dx, int dy);

}  // namespace kivelo
