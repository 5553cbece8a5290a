#pragma once
// A captured picture turned into a packed device-independent bitmap: header,
// colour table and bottom-up rows padded to 4 bytes, uncompressed.
#include <cstdint>
#include <optional>
#include <vector>

namespace kivelo {

struct BmpColour {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t reserved = 0;
    friend bool operator==(const BmpColour&, const BmpColour&) = default;
};

// Pixels as copied from the screen: rows top-down, `rowBytes` apart.
// 1, 2, 4 or 8 bits: palette indices (most significant bits first);
// 16: little-endian 5-5-5 words; 24: blue, green, red; 32: blue, green, red, unused.
struct CapturedPicture {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 32;
    int rowBytes = 0;
    std::vector<uint8_t> pixels;
    std::vector<BmpColour> palette;  // indexed pictures only
};

struct PackedDib {
    static constexpr int kHeaderSize = 40;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bitCount = 8;
    std::vector<BmpColour> colourTable;
    std::vector<uint8_t> bits;  // bottom-up rows, each padded to a multiple of 4 bytes

    // BITMAPINFOHEADER, colour table and bits in one block.
    std::vector<uint8_t> Serialize() const;
    static int RowBytes(int width, int bitCount);
};

// Indexed pictures keep their depth and colour table. Deeper ones become
// 8-bit: colours are listed in the order the stored (bottom-up) rows meet
// them; past 256 colours the rest are drawn with the nearest listed one.
// Nothing for a picture that is empty, inconsistent or too large.
std::optional<PackedDib> ToPackedDib(const CapturedPicture& picture);

// Near-white (0xF0..0xFB in all components) becomes white, near-black
// (0x0E..0x11) black; other colours stay.
void ApplyColourCleanup(std::vector<BmpColour>& table);

}  // namespace kivelo
