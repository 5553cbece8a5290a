#include <gtest/gtest.h>

#include <filesystem>

#include "FileBytes.h"
#include "common/TempDir.h"
#include "export/BmpDib.h"
#include "export/BmpWriter.h"

#ifdef KIVELO_TEST_QT
#include <QImage>
#include <QString>
#endif

namespace kivelo {
namespace {

CapturedPicture Picture32(int w, int h, auto colourAt) {
    CapturedPicture p;
    p.width = w;
    p.height = h;
    p.rowBytes = 4 * w;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const BmpColour c = colourAt(x, y);
            p.pixels.insert(p.pixels.end(), {c.blue, c.green, c.red, 0});
        }
    return p;
}

// Whole file of a 5 x 3 picture: near black and near white cleaned up, colours
// listed in order of first use from the bottom row, rows bottom-up padded to 4 bytes.
TEST(BmpFile, BytesOfASmallPicture) {
    const BmpColour grey{0xF7, 0xF7, 0xF7}, dark{0x0F, 0x0F, 0x0F}, mid{0x10, 0xF7, 0x10};
    const auto dib = ToPackedDib(Picture32(5, 3, [&](int x, int y) { return y == 2 ? dark : (x < 2 ? grey : mid); }));
    ASSERT_TRUE(dib);
    TempDir dir;
    const std::string path = dir.File("out.bmp");
    ASSERT_EQ(WriteBmp(path, *dib), 1);
    const std::vector<uint8_t> expected{
        'B', 'M', 90, 0, 0, 0, 0, 0, 0, 0, 66, 0, 0, 0,               // file header: size, bits offset
        40, 0, 0, 0, 5, 0, 0, 0, 3, 0, 0, 0, 1, 0, 8, 0, 0, 0, 0, 0,  // size, width, height,
                                                                      // planes, depth
        24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0,  // image size, colours used
        0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0x10, 0xF7, 0x10, 0,         // black, white, mid
        0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 2, 2, 2, 0, 0, 0, 1, 1, 2, 2, 2, 0, 0, 0};
    EXPECT_EQ(wavegen::ReadFileBytes(path), expected);
    EXPECT_EQ(dib->colourTable[0], dark);  // the DIB given is not changed by writing it
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);  // no temporary left
#ifdef KIVELO_TEST_QT
    QImage q(QString::fromStdString(path));  // a second decoder agrees
    ASSERT_FALSE(q.isNull());
    EXPECT_EQ(q.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(q.pixel(4, 1), qRgb(0x10, 0xF7, 0x10));
    EXPECT_EQ(q.pixel(3, 2), qRgb(0, 0, 0));
#endif
}

TEST(BmpFile, FailedWritesLeaveNothingAndReplaceNothing) {
    const auto dib = ToPackedDib(Picture32(2, 2, [](int, int) { return BmpColour{}; }));
    ASSERT_TRUE(dib);
    EXPECT_EQ(WriteBmp("/nonexistent-dir/x.bmp", *dib), 0);
    EXPECT_EQ(WriteBmp("", *dib), 0);
    TempDir dir;
    std::filesystem::create_directory(dir.File("taken"));  // cannot be renamed over
    EXPECT_EQ(WriteBmp(dir.File("taken"), *dib), 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("taken")));
}

TEST(PackedDibTest, MoreThan256ColoursMapToTheNearestListed) {
    const auto dib = ToPackedDib(Picture32(300, 1, [](int x, int) {
        return BmpColour{static_cast<uint8_t>(x % 256), static_cast<uint8_t>(x / 256 * 100), 7};
    }));
    ASSERT_TRUE(dib);
    ASSERT_EQ(dib->colourTable.size(), 256u);
    for (int x = 0; x < 256; ++x) ASSERT_EQ(dib->bits[static_cast<size_t>(x)], x);
    EXPECT_EQ(dib->colourTable[dib->bits[266]].blue, 10);
}

TEST(PackedDibTest, InconsistentPicturesGiveNothing) {
    const auto blank = [](int, int) { return BmpColour{}; };
    std::vector<CapturedPicture> bad(4, Picture32(4, 4, blank));
    bad[0] = CapturedPicture{};
    bad[1].pixels.resize(10);
    bad[2].bitsPerPixel = 12;
    bad[3].rowBytes = 3;
    for (size_t i = 0; i < bad.size(); ++i) EXPECT_FALSE(ToPackedDib(bad[i])) << i;
}

}  // namespace
}  // namespace kivelo
