#pragma once
// A test's output against its golden file in the source tree. With
// KIVELO_UPDATE_GOLDEN=1 the output is written over the golden file and the
// comparison passes; otherwise a mismatch leaves the output under
// <build>/golden-actual/ at the same relative path and says where it first
// differs. Paths are relative to the source tree ("tests/export/golden/x.hdr").
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kivelo::test {

bool UpdatingGolden();

// Text (or any bytes); a mismatch reports a unified diff.
::testing::AssertionResult CompareText(const std::string& goldenPath, const std::string& actual);

// A picture of one byte a pixel, row by row, and the colour (0xRRGGBB) each byte shows.
struct GoldenPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
    std::array<uint32_t, 256> colours{};
};

// The golden file holds "KVPL <width> <height>\n" and the pixel bytes; a PNG of the
// picture lies beside it (same name, .png) to look at. A mismatch reports the first
// differing pixel and writes the actual plane and its PNG.
::testing::AssertionResult ComparePicture(const std::string& goldenPath, const GoldenPicture& actual);

// The plane file's bytes for a picture.
std::string EncodePicture(const GoldenPicture& picture);
// An 8-bit palette PNG of the picture.
std::string EncodePng(const GoldenPicture& picture);

}  // namespace kivelo::test
