#pragma once
// DisplayPainter drawing with QPainter into a QImage (works offscreen).
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <string>
#include <unordered_map>

#include "display/DisplayPainter.h"
#include "display/TextMetrics.h"

namespace kivelo {

class QtDisplayPainter final : public DisplayPainter {
public:
    // Paints into `image`, which must outlive the painter.
    QtDisplayPainter(QImage& image, const TextMetrics& metrics);
    ~QtDisplayPainter() override;

    int Width() const override;
    int Height() const override;
    void FillRect(int x, int y, int width, int height, Rgb colour) override;
    void DrawLine(int x1, int y1, int x2, int y2, Rgb colour, PenStyle style, Rgb background) override;
    void DrawRectOutline(int x1, int y1, int x2, int y2, Rgb colour) override;
    void DrawSunkenEdge(int x, int y, int width, int height) override;
    void DrawText(int x, int y, std::string_view text, Rgb colour, std::optional<Rgb> background) override;
    int TextWidth(std::string_view text) const override;
    void DrawImage(int x, int y, const IndexedImage& image) override;
    bool DrawPlane(int x, int y, const RasterPlane& plane, int px, int py, int width, int height,
                   const std::array<Rgb, 256>& colours, Rgb outside) override;

    // Fixed-pitch font of about 6 x 12 pixels (16 high in large-font mode).
    static QFont DisplayFont(const TextMetrics& metrics);
    // The indexed image as a QImage with its colour table; it shares the
    // image's pixels, so the image must outlive it.
    static QImage ToQImage(const IndexedImage& image);

private:
    QImage& image_;
    QPainter painter_;
    QFont font_;
    QFontMetrics fontMetrics_;
    // Widths of the texts drawn so far: a window redraw repeats most of them.
    mutable std::unordered_map<std::string, int> widths_;
    int lineHeight_;
};

}  // namespace kivelo
