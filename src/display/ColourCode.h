#pragma once
// Meaning of the bits of one RasterPlane byte.
#include <cstdint>

namespace kivelo::colour_code {

inline constexpr uint8_t kTraceMask = 0x1F;     // bits 0..4: trace colour code 1..31
inline constexpr uint8_t kHighlightBit = 0x20;  // bit 5: highlight layer
inline constexpr uint8_t kGraticuleBit = 0x40;  // bit 6: graticule layer
inline constexpr uint8_t kKeptBit = 0x80;       // bit 7: survives clearing, no colour
inline constexpr uint8_t kHighlight = 32;       // colour code that writes only the highlight layer
inline constexpr uint8_t kClearMask = 0x7F;     // what the windows clear (bits 0..6)

// Writes colour code c into a pixel: trace codes replace bits 0..5 and keep the
// graticule and bit 7; the highlight code only sets bit 5.
constexpr uint8_t Paint(uint8_t old, uint32_t code) {
    if (code == kHighlight) return static_cast<uint8_t>((old & 0xDF) | kHighlightBit);
    return static_cast<uint8_t>((old & 0xC0) | (code & kTraceMask));
}

}  // namespace kivelo::colour_code
