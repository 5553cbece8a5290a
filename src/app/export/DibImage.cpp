#include "app/export/DibImage.h"

namespace kivelo::app {

CapturedPicture PictureOfImage(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    CapturedPicture picture;
    picture.width = rgb.width();
    picture.height = rgb.height();
    picture.bitsPerPixel = 32;
    picture.rowBytes = static_cast<int>(rgb.bytesPerLine());
    const uchar* bits = rgb.constBits();
    picture.pixels.assign(bits, bits + rgb.sizeInBytes());
    return picture;
}

std::optional<PackedDib> DibOfImage(const QImage& image) {
    if (image.isNull()) return std::nullopt;
    return ToPackedDib(PictureOfImage(image));
}

QImage ImageOfDib(const PackedDib& dib) {
    const int bits = dib.bitCount;
    if (dib.width <= 0 || dib.height <= 0 || (bits != 1 && bits != 2 && bits != 4 && bits != 8)) return {};
    const int stride = PackedDib::RowBytes(dib.width, bits);
    if (dib.bits.size() < static_cast<size_t>(stride) * static_cast<size_t>(dib.height)) return {};
    QImage image(dib.width, dib.height, QImage::Format_Indexed8);
    if (image.isNull()) return {};
    QList<QRgb> table;
    for (const BmpColour& c : dib.colourTable) table.push_back(qRgb(c.red, c.green, c.blue));
    while (table.size() < (1 << bits)) table.push_back(qRgb(0, 0, 0));
    image.setColorTable(table);
    const int perByte = 8 / bits;
    const int mask = (1 << bits) - 1;
    for (int y = 0; y < dib.height; ++y) {
        // DIB rows are stored bottom-up.
        const uint8_t* src = dib.bits.data() + static_cast<size_t>(dib.height - 1 - y) * stride;
        uchar* dst = image.scanLine(y);
        for (int x = 0; x < dib.width; ++x) {
            const int shift = 8 - bits * (x % perByte + 1);
            dst[x] = static_cast<uchar>((src[x / perByte] >> shift) & mask);
        }
    }
    return image;
}

}  // namespace kivelo::app
