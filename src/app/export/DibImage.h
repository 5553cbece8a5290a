#pragma once
// Between Qt images and the packed DIBs the program saves and prints: a
// picture taken from the screen becomes a DIB (8 bits with the colours in
// the order the stored rows meet them), and a DIB becomes an indexed image
// again for PNG files and for drawing on a page.
#include <QImage>

#include <optional>

#include "export/BmpDib.h"

namespace kivelo::app {

// The image's pixels as captured (32 bits per pixel, rows top-down).
CapturedPicture PictureOfImage(const QImage& image);
// Nothing for an empty image.
std::optional<PackedDib> DibOfImage(const QImage& image);
// An indexed image with the DIB's colour table and pixels; null for an unusable DIB.
QImage ImageOfDib(const PackedDib& dib);

}  // namespace kivelo::app
