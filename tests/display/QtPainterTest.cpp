#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>

#include <memory>

#include "QtDisplayPainter.h"

namespace kivelo {
namespace {

// Fonts need an application object; it lives for the whole test program.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override { app_ = std::make_unique<QGuiApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "display_qt_test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QGuiApplication> app_;
};

const auto* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

using QtFixture = ::testing::Test;

// Bounding box of the pixels that differ from `background`.
QRect Ink(const QImage& image, QRgb background) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background) box = box.united(QRect(x, y, 1, 1));
    return box;
}

TEST_F(QtFixture, TextLandsInItsCellWithTheSmallFixedFont) {
    QImage image(200, 60, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QtDisplayPainter p(image, TextMetrics::Normal());
        const int w = p.TextWidth("0123456789");
        EXPECT_GE(w, 55);
        EXPECT_LE(w, 70);  // close to 6 pixels a character
        EXPECT_EQ(p.TextWidth("iiii"), p.TextWidth("MMMM"));  // fixed pitch
        p.DrawText(10, 20, "W1:", Rgb{255, 255, 255}, std::nullopt);
    }
    const QRect ink = Ink(image, qRgb(0, 0, 0));
    ASSERT_FALSE(ink.isNull());
    EXPECT_GE(ink.left(), 10);
    EXPECT_LE(ink.right(), 10 + 3 * 7);
    EXPECT_GE(ink.top(), 20);
    EXPECT_LE(ink.bottom(), 20 + 12);
    // No antialiasing: only the two colours appear.
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            ASSERT_TRUE(c == qRgb(0, 0, 0) || c == qRgb(255, 255, 255));
        }
}

TEST_F(QtFixture, TextBackgroundFillsTheCell) {
    QImage image(100, 40, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QtDisplayPainter p(image, TextMetrics::Normal());
        p.DrawText(5, 5, "No", Rgb{0, 0, 0}, Rgb{255, 255, 255});
    }
    EXPECT_EQ(image.pixel(5, 5), qRgb(255, 255, 255));
    EXPECT_EQ(Ink(image, qRgb(0, 0, 0)).top(), 5);
}

TEST_F(QtFixture, PalettedImagesAndPatternedLines) {
    QImage image(50, 50, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QtDisplayPainter p(image, TextMetrics::Normal());
        IndexedImage img;
        img.width = 2;
        img.height = 2;
        img.pixels = {0, 1, 1, 0};
        img.palette[0] = {10, 20, 30};
        img.palette[1] = {200, 100, 50};
        p.DrawImage(3, 4, img);
        p.DrawLine(20, 0, 20, 49, Rgb{255, 255, 255}, PenStyle::Dot, Rgb{0, 0, 255});
        p.DrawRectOutline(30, 30, 40, 40, Rgb{0, 255, 0});
    }
    EXPECT_EQ(image.pixel(3, 4), qRgb(10, 20, 30));
    EXPECT_EQ(image.pixel(4, 4), qRgb(200, 100, 50));
    EXPECT_EQ(image.pixel(4, 5), qRgb(10, 20, 30));
    int on = 0, gap = 0;
    for (int y = 0; y < 50; ++y) {
        on += image.pixel(20, y) == qRgb(255, 255, 255);
        gap += image.pixel(20, y) == qRgb(0, 0, 255);  // gaps show the background colour
    }
    EXPECT_GT(on, 10);
    EXPECT_GT(gap, 10);
    EXPECT_EQ(image.pixel(30, 35), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(40, 40), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(35, 35), qRgb(0, 0, 0));
}

}  // namespace
}  // namespace kivelo
