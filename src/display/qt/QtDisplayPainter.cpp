#include "QtDisplayPainter.h"

#include <QFontMetrics>
#include <QString>

#include <cstdlib>

namespace kivelo {
namespace {

QColor ToQ(Rgb c) { return QColor(c.r, c.g, c.b); }

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
    : image_(image), painter_(&image), font_(DisplayFont(metrics)), lineHeight_(metrics.charHeight) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, false);
    painter_.setFont(font_);
}

QtDisplayPainter::~QtDisplayPainter() { painter_.end(); }

int QtDisplayPainter::Width() const { return image_.width(); }
int QtDisplayPainter::Height() const { return image_.height(); }

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
    return QFontMetrics(font_).horizontalAdvance(ToQString(text));
}

void QtDisplayPainter::DrawImage(int x, int y, const IndexedImage& image) {
    if (image.width <= 0 || image.height <= 0) return;
    QImage q(image.pixels.data(), image.width, image.height, image.width, QImage::Format_Indexed8);
    QList<QRgb> table;
    table.reserve(256);
    for (const Rgb& c : image.palette) table.push_back(qRgb(c.r, c.g, c.b));
    q.setColorTable(table);
    painter_.drawImage(x, y, q);
}

}  // namespace kivelo
