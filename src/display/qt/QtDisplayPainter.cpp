#include "display/qt/QtDisplayPainter.h"

#include <QFontMetrics>
#include <QString>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kivelo {
namespace {

QColor ToQ(Rgb c) { return QColor(c.r, c.g, c.b); }

// dst[i] = table[src[i]]; runs of eight equal bytes (most of a plane) are
// filled without looking each byte up.
void MapRow(const uint8_t* src, QRgb* dst, int count, const std::array<QRgb, 256>& table) {
    for (; count >= 8; count -= 8, src += 8, dst += 8) {
        uint64_t word;
        std::memcpy(&word, src, sizeof word);
        if (word == 0x0101010101010101ULL * src[0]) {
            std::fill(dst, dst + 8, table[src[0]]);
        } else {
            for (int i = 0; i < 8; ++i) dst[i] = table[src[i]];
        }
    }
    for (; count > 0; --count) *dst++ = table[*src++];
}

QString ToQString(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QFont QtDisplayPainter::DisplayFont(const TextMetrics& metrics) {
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(metrics.charHeight >= 16 ? 13 : 10);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::NoAntialias);  // crisp text and few colours in saved images
    return font;
}

QtDisplayPainter::QtDisplayPainter(QImage& image, const TextMetrics& metrics)
    : image_(image),
      painter_(&image),
      font_(DisplayFont(metrics)),
      fontMetrics_(font_),
      lineHeight_(metrics.charHeight) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, false);
    painter_.setFont(font_);
}

QtDisplayPainter::~QtDisplayPainter() { painter_.end(); }

// Sizes in the image's logical pixels: a high-resolution window image has a device pixel ratio.
int QtDisplayPainter::Width() const { return qRound(image_.deviceIndependentSize().width()); }
int QtDisplayPainter::Height() const { return qRound(image_.deviceIndependentSize().height()); }

void QtDisplayPainter::FillRect(int x, int y, int width, int height, Rgb colour) {
    if (width <= 0 || height <= 0) return;
    painter_.fillRect(x, y, width, height, ToQ(colour));
}

void QtDisplayPainter::DrawLine(int x1, int y1, int x2, int y2, Rgb colour, PenStyle style, Rgb background) {
    QPen pen(ToQ(colour));
    pen.setWidth(0);
    pen.setCapStyle(Qt::SquareCap);
    switch (style) {
    case PenStyle::Solid: pen.setStyle(Qt::SolidLine); break;
    case PenStyle::Dot: pen.setStyle(Qt::DotLine); break;
    case PenStyle::DashDotDot: pen.setStyle(Qt::DashDotDotLine); break;
    }
    painter_.setPen(pen);
    painter_.setBackgroundMode(Qt::OpaqueMode);
    painter_.setBackground(ToQ(background));
    painter_.drawLine(x1, y1, x2, y2);
    painter_.setBackgroundMode(Qt::TransparentMode);
}

void QtDisplayPainter::DrawRectOutline(int x1, int y1, int x2, int y2, Rgb colour) {
    QPen pen(ToQ(colour));
    pen.setWidth(0);
    painter_.setPen(pen);
    painter_.setBrush(Qt::NoBrush);
    // A stroked QRect covers x .. x + width, so the width is the corner distance.
    painter_.drawRect(QRect(std::min(x1, x2), std::min(y1, y2), std::abs(x2 - x1), std::abs(y2 - y1)));
}

void QtDisplayPainter::DrawSunkenEdge(int x, int y, int width, int height) {
    if (width < 2 || height < 2) return;
    const int r = x + width - 1, b = y + height - 1;
    painter_.setPen(QColor(128, 128, 128));
    painter_.drawLine(x, y, r, y);
    painter_.drawLine(x, y, x, b);
    painter_.setPen(QColor(255, 255, 255));
    painter_.drawLine(x, b, r, b);
    painter_.drawLine(r, y, r, b);
}

void QtDisplayPainter::DrawText(int x, int y, std::string_view text, Rgb colour, std::optional<Rgb> background) {
    if (text.empty()) return;
    const QString s = ToQString(text);
    const QRect cell(x, y, TextWidth(text), lineHeight_);
    if (background) painter_.fillRect(cell, ToQ(*background));
    painter_.setPen(ToQ(colour));
    painter_.drawText(QRect(x, y, cell.width() + 8, lineHeight_ + 4), Qt::AlignLeft | Qt::AlignTop, s);
}

int QtDisplayPainter::TextWidth(std::string_view text) const {
    constexpr size_t kMaxKept = 4096;
    const std::string key(text);
    if (const auto it = widths_.find(key); it != widths_.end()) return it->second;
    const int width = fontMetrics_.horizontalAdvance(ToQString(text));
    if (widths_.size() >= kMaxKept) widths_.clear();
    widths_.emplace(key, width);
    return width;
}

QImage QtDisplayPainter::ToQImage(const IndexedImage& image) {
    QImage q(image.pixels.data(), image.width, image.height, image.width, QImage::Format_Indexed8);
    QList<QRgb> table;
    table.reserve(256);
    for (const Rgb& c : image.palette) table.push_back(qRgb(c.r, c.g, c.b));
    q.setColorTable(table);
    return q;
}

void QtDisplayPainter::DrawImage(int x, int y, const IndexedImage& image) {
    if (image.width <= 0 || image.height <= 0) return;
    painter_.drawImage(x, y, ToQImage(image));
}

bool QtDisplayPainter::DrawPlane(int x, int y, const RasterPlane& plane, int px, int py, int width, int height,
                                 const std::array<Rgb, 256>& colours, Rgb outside) {
    // Writing the pixels ourselves equals drawImage only for plain 32-bit
    // targets that this painter alone draws on, untransformed and unclipped.
    const QImage::Format format = image_.format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
        format != QImage::Format_ARGB32_Premultiplied) {
        return false;
    }
    if (image_.devicePixelRatio() != 1.0 || !image_.isDetached() || painter_.hasClipping() ||
        !painter_.transform().isIdentity() || painter_.compositionMode() != QPainter::CompositionMode_SourceOver ||
        painter_.opacity() != 1.0) {
        return false;
    }
    std::array<QRgb, 256> table;
    for (size_t i = 0; i < table.size(); ++i) table[i] = qRgb(colours[i].r, colours[i].g, colours[i].b);
    const QRgb background = qRgb(outside.r, outside.g, outside.b);

    // Columns and rows of the rectangle that land on the image ...
    const int c1 = std::max(0, -x), c2 = std::min(width, image_.width() - x);
    const int r1 = std::max(0, -y), r2 = std::min(height, image_.height() - y);
    if (c1 >= c2 || r1 >= r2) return true;
    // ... and the columns among them that lie on the plane.
    const int p1 = std::clamp(-px, c1, c2), p2 = std::clamp(plane.Width() - px, p1, c2);
    uchar* bits = image_.bits();
    const qsizetype stride = image_.bytesPerLine();
    for (int r = r1; r < r2; ++r) {
        QRgb* row = reinterpret_cast<QRgb*>(bits + (y + r) * stride);
        const auto src = plane.Row(py + r);
        if (src.empty()) {
            std::fill(row + x + c1, row + x + c2, background);
            continue;
        }
        std::fill(row + x + c1, row + x + p1, background);
        if (p1 < p2) MapRow(src.data() + (px + p1), row + x + p1, p2 - p1, table);
        std::fill(row + x + p2, row + x + c2, background);
    }
    return true;
}

}  // namespace kivelo
