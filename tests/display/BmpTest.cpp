#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "BmpDib.h"
#include "BmpWriter.h"

#ifdef KIVELO_TEST_QT
#include <QImage>
#include <QString>
#endif

namespace kivelo {
namespace {

struct TempDir {
    std::filesystem::path path;
    TempDir() {
        char pattern[] = "/tmp/kv-bmp-XXXXXX";
        path = mkdtemp(pattern);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
};

CapturedPicture Picture32(int w, int h, auto colourAt) {
    CapturedPicture p;
    p.width = w;
    p.height = h;
    p.bitsPerPixel = 32;
    p.rowBytes = 4 * w;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const BmpColour c = colourAt(x, y);
            p.pixels.insert(p.pixels.end(), {c.blue, c.green, c.red, 0});
        }
    return p;
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t{b[at + 3]} << 24);
}

TEST(PackedDibTest, ColoursInOrderOfFirstOccurrenceFromTheBottomRow) {
    const BmpColour red{0, 0, 255}, green{0, 255, 0}, blue{255, 0, 0};
    // Top row red, bottom row green then blue.
    const auto p = Picture32(3, 2, [&](int x, int y) { return y == 0 ? red : (x == 0 ? green : blue); });
    const auto dib = ToPackedDib(p);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->bitCount, 8);
    ASSERT_EQ(dib->colourTable.size(), 3u);
    EXPECT_EQ(dib->colourTable[0], green);
    EXPECT_EQ(dib->colourTable[1], blue);
    EXPECT_EQ(dib->colourTable[2], red);
    ASSERT_EQ(dib->bits.size(), 8u);  // rows padded to 4 bytes
    EXPECT_EQ(dib->bits[0], 0);      // first stored row: the picture's bottom row
    EXPECT_EQ(dib->bits[1], 1);
    EXPECT_EQ(dib->bits[4], 2);
}

TEST(PackedDibTest, MoreThan256ColoursKeepTheFirstExactlyAndMapTheRestToTheNearest) {
    const auto p = Picture32(300, 1, [](int x, int) {
        return BmpColour{static_cast<uint8_t>(x % 256), static_cast<uint8_t>(x / 256 * 100), 7};
    });
    const auto dib = ToPackedDib(p);
    ASSERT_TRUE(dib);
    ASSERT_EQ(dib->colourTable.size(), 256u);
    for (int x = 0; x < 256; ++x) EXPECT_EQ(dib->bits[static_cast<size_t>(x)], x);
    // Colour (blue 10, green 100): nearest of the first 256 is (blue 10, green 0)... or any at equal
    // distance; it must be a listed colour at minimum distance.
    const BmpColour c = dib->colourTable[dib->bits[266]];
    EXPECT_EQ(c.blue, 10);
}

TEST(PackedDibTest, SixteenBitWordsExpandWithLowBitsSet) {
    CapturedPicture p;
    p.width = 2;
    p.height = 1;
    p.bitsPerPixel = 16;
    p.rowBytes = 4;
    p.pixels = {0xFF, 0x7F, 0x00, 0x00};  // white, black
    const auto dib = ToPackedDib(p);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->colourTable[0], (BmpColour{0xFF, 0xFF, 0xFF, 0}));
    EXPECT_EQ(dib->colourTable[1], (BmpColour{0, 0, 0, 0}));
}

TEST(PackedDibTest, IndexedPicturesKeepTheirDepth) {
    CapturedPicture p;
    p.width = 5;
    p.height = 2;
    p.bitsPerPixel = 4;
    p.rowBytes = 3;
    p.pixels = {0x12, 0x34, 0x50, 0xAB, 0xCD, 0xE0};
    p.palette = {{1, 2, 3, 0}};
    const auto dib = ToPackedDib(p);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->bitCount, 4);
    EXPECT_EQ(dib->colourTable.size(), 16u);
    ASSERT_EQ(dib->bits.size(), 8u);
    EXPECT_EQ(dib->bits[0], 0xAB);  // bottom row first
    EXPECT_EQ(dib->bits[4], 0x12);
}

TEST(PackedDibTest, BadPicturesGiveNothing) {
    CapturedPicture p;
    EXPECT_FALSE(ToPackedDib(p));
    p = Picture32(4, 4, [](int, int) { return BmpColour{}; });
    p.pixels.resize(10);
    EXPECT_FALSE(ToPackedDib(p));
    p = Picture32(4, 4, [](int, int) { return BmpColour{}; });
    p.bitsPerPixel = 12;
    EXPECT_FALSE(ToPackedDib(p));
    p.bitsPerPixel = 32;
    p.rowBytes = 3;
    EXPECT_FALSE(ToPackedDib(p));
}

TEST(BmpFile, CleanupHeaderAndSecondDecoder) {
    const BmpColour grey{0xF7, 0xF7, 0xF7}, dark{0x0F, 0x0F, 0x0F}, mid{0x10, 0xF7, 0x10};
    const auto p = Picture32(5, 3, [&](int x, int y) { return y == 2 ? dark : (x < 2 ? grey : mid); });
    const auto dib = ToPackedDib(p);
    ASSERT_TRUE(dib);
    TempDir dir;
    const std::string path = (dir.path / "out.bmp").string();
    ASSERT_EQ(WriteBmp(path, *dib), 1);
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), 54u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(Le32(bytes, 2), bytes.size());
    EXPECT_EQ(Le32(bytes, 10), 14u + 40 + 4 * 3);
    EXPECT_EQ(Le32(bytes, 14), 40u);
    EXPECT_EQ(bytes[28], 8);
    // Table: dark (bottom row) -> black, grey -> white, mid unchanged.
    EXPECT_EQ(bytes[54], 0x00);
    EXPECT_EQ(bytes[58], 0xFF);
    EXPECT_EQ(bytes[62 + 1], 0xF7);
    // The DIB given is not changed by writing it.
    EXPECT_EQ(dib->colourTable[0], dark);
#ifdef KIVELO_TEST_QT
    QImage q(QString::fromStdString(path));
    ASSERT_FALSE(q.isNull());
    EXPECT_EQ(q.width(), 5);
    EXPECT_EQ(q.height(), 3);
    EXPECT_EQ(q.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(q.pixel(4, 1), qRgb(0x10, 0xF7, 0x10));
    EXPECT_EQ(q.pixel(3, 2), qRgb(0, 0, 0));
#endif
    // Nothing left behind but the file itself.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);
}

TEST(BmpFile, UnwritablePathWritesNothing) {
    const auto dib = ToPackedDib(Picture32(2, 2, [](int, int) { return BmpColour{}; }));
    ASSERT_TRUE(dib);
    EXPECT_EQ(WriteBmp("/nonexistent-dir/x.bmp", *dib), 0);
    EXPECT_EQ(WriteBmp("", *dib), 0);
}

}  // namespace
}  // namespace kivelo
