#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>

#include "display/qt/QtDisplayPainter.h"

namespace kivelo {
namespace {

TEST(QtPainter, FixedPitchTextWithoutSmoothingImagesAndPatternedLines) {
    int argc = 1;
    char name[] = "display_qt_test";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);  // fonts need an application object
    QImage image(200, 60, QImage::Format_RGB32);
    image.fill(Qt::black);
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    {
        QtDisplayPainter p(image, TextMetrics::Normal());
        const int w = p.TextWidth("0123456789");
        EXPECT_TRUE(w >= 55 && w <= 70) << w;  // close to 6 pixels a character
        EXPECT_EQ(p.TextWidth("iiii"), p.TextWidth("MMMM"));
        p.DrawText(10, 20, "W1:", Rgb{255, 255, 255}, std::nullopt);
        p.DrawText(100, 5, "No", Rgb{0, 0, 0}, Rgb{255, 255, 255});  // the background fills the cell
        IndexedImage img;
        img.width = img.height = 2;
        img.pixels = {0, 1, 1, 0};
        img.palette[0] = {10, 20, 30};
        img.palette[1] = {200, 100, 50};
        p.DrawImage(150, 30, img);
        p.DrawLine(190, 0, 190, 59, Rgb{255, 255, 255}, PenStyle::Dot, Rgb{0, 0, 255});
    }
    QRect ink;  // of the first text: inside its 7 x 12 cells, in the two colours only
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < 90; ++x) {
            ASSERT_TRUE(image.pixel(x, y) == black || image.pixel(x, y) == white) << x << "," << y;
            if (image.pixel(x, y) == white) ink = ink.united(QRect(x, y, 1, 1));
        }
    EXPECT_TRUE(ink.left() >= 10 && ink.right() <= 10 + 3 * 7 && ink.top() >= 20 && ink.bottom() <= 20 + 12) << ink.x();
    EXPECT_EQ(image.pixel(100, 5), white);
    EXPECT_EQ(image.pixel(150, 30), qRgb(10, 20, 30));
    EXPECT_EQ(image.pixel(151, 30), qRgb(200, 100, 50));
    EXPECT_EQ(image.pixel(151, 31), qRgb(10, 20, 30));
    int on = 0, gap = 0;
    for (int y = 0; y < 60; ++y) {
        on += image.pixel(190, y) == white;
        gap += image.pixel(190, y) == qRgb(0, 0, 255);  // gaps show the background colour
    }
    EXPECT_GT(on, 10);
    EXPECT_GT(gap, 10);
}

}  // namespace
}  // namespace kivelo
