#include "app/ui/CIcons.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QPixmapCache>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace kivelo::app {

namespace {

// Colours of the display (its palette: background level 0,0,1, graticule
// level 6,6,6, W1 yellow, W2 green) and of the accents.
const QColor kScreen(0x10, 0x12, 0x30);
const QColor kGraticule(0xc4, 0xc4, 0xc4);
const QColor kTraceGreen(0x4c, 0xe0, 0x5a);
const QColor kTraceYellow(0xf7, 0xf7, 0x0f);
const QColor kCursorBlue(0x1e, 0x6f, 0xd9);
const QColor kStrikeRed(0xd3, 0x2f, 0x2f);
const QColor kSun(0xff, 0xc1, 0x07);
const QColor kLens(0xdd, 0xec, 0xfa);
const QColor kCameraBody(0x8a, 0x93, 0x9c);

// All images are designed on a 16 x 16 grid; the painter is scaled so that one
// unit is size / 16 pixels. px is the size in device pixels, for detail that
// only pays off on larger icons.
struct Canvas {
    QPainter& p;
    double px;  // device pixels per side
    QColor line;

    QPen Pen(const QColor& c, double width, Qt::PenCapStyle cap = Qt::SquareCap) const {
        QPen pen(c, width, Qt::SolidLine, cap, Qt::MiterJoin);
        return pen;
    }
    // Filled square of one grid unit at the integer cell (x, y): crisp at 16 px.
    void Cell(double x, double y, double w, double h, const QColor& c) const { p.fillRect(QRectF(x, y, w, h), c); }
    void Screen(const QRectF& r) const {
        p.setPen(Pen(line, 1.0));
        p.setBrush(kScreen);
        p.drawRect(r);
    }
    void Polygon(std::initializer_list<QPointF> points, const QColor& fill) const {
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawPolygon(QPolygonF(QList<QPointF>(points)));
    }
};

// The screen of the graticule icons: outline on columns 1 and 15 and rows 3
// and 13, inside 2..14 by 4..12, centred on (8.5, 8.5) in cell terms.
const QRectF kGraticuleScreen(1.5, 3.5, 14.0, 10.0);

void GraticuleDots(const Canvas& c) {
    c.Screen(kGraticuleScreen);
    for (int x = 3; x <= 14; x += 2)
        for (int y = 5; y <= 12; y += 2) {
            if (c.px >= 32) {
                c.p.setPen(Qt::NoPen);
                c.p.setBrush(kGraticule);
                c.p.drawEllipse(QPointF(x + 0.5, y + 0.5), 0.42, 0.42);
            } else {
                c.Cell(x, y, 1, 1, kGraticule);
            }
        }
}

void GraticuleTicks(const Canvas& c) {
    c.Screen(kGraticuleScreen);
    for (int x = 4; x <= 13; x += 3) {  // ticks of the top and bottom edges
        c.Cell(x, 4, 1, 2, kGraticule);
        c.Cell(x, 11, 1, 2, kGraticule);
    }
    for (int y = 6; y <= 10; y += 2) {  // ticks of the left and right edges
        c.Cell(2, y, 2, 1, kGraticule);
        c.Cell(13, y, 2, 1, kGraticule);
    }
}

void GraticuleCross(const Canvas& c) {
    c.Screen(kGraticuleScreen);
    c.Cell(8, 4, 1, 9, kGraticule);   // vertical centre line
    c.Cell(2, 8, 13, 1, kGraticule);  // horizontal centre line
    for (int x : {3, 5, 11, 13}) c.Cell(x, 7, 1, 3, kGraticule);
    for (int y : {5, 11}) c.Cell(7, y, 3, 1, kGraticule);
}

// The mouse pointer of the mouse control icons, tip at (x, y).
void Pointer(const Canvas& c, double x, double y, double scale = 1.0) {
    QPolygonF arrow;
    for (const QPointF& q : {QPointF(0, 0), QPointF(0, 11), QPointF(2.6, 8.6), QPointF(4.4, 12.4), QPointF(6.0, 11.6),
                             QPointF(4.3, 7.9), QPointF(7.6, 7.9)})
        arrow << QPointF(x + q.x() * scale, y + q.y() * scale);
    QPen pen = c.Pen(c.line, 1.0);
    pen.setJoinStyle(Qt::MiterJoin);
    c.p.setPen(pen);
    c.p.setBrush(Qt::white);
    c.p.drawPolygon(arrow);
}

void CursorLine(const Canvas& c, double x, const QColor& colour) {
    QPen pen(colour, 1.5, Qt::CustomDashLine, Qt::FlatCap);
    pen.setDashPattern({2.0, 1.0});  // in pen widths: dashes of 3 units, gaps of 1.5
    c.p.setPen(pen);
    c.p.drawLine(QPointF(x, 0.5), QPointF(x, 15.5));
}

void MouseCursors(const Canvas& c) {
    CursorLine(c, 12.75, kCursorBlue);
    Pointer(c, 1.5, 1.5);
}

void MouseCursorsHidden(const Canvas& c) {
    QColor faded = kCursorBlue;
    faded.setAlphaF(0.45);
    CursorLine(c, 12.75, faded);
    Pointer(c, 1.5, 1.5);
    // Crossed out: the cursor line is not drawn.
    c.p.setPen(c.Pen(kStrikeRed, 1.6, Qt::RoundCap));
    c.p.drawLine(QPointF(9.5, 13.5), QPointF(15.2, 2.5));
}

void MouseMove(const Canvas& c) {
    // A trace across the middle ...
    QPainterPath wave;
    wave.moveTo(0.5, 9.5);
    wave.cubicTo(3.0, 13.0, 4.5, 4.5, 8.0, 8.5);
    wave.cubicTo(11.0, 12.0, 13.0, 5.0, 15.5, 7.0);
    c.p.setPen(c.Pen(kTraceGreen.darker(115), 1.4, Qt::RoundCap));
    c.p.setBrush(Qt::NoBrush);
    c.p.drawPath(wave);
    // ... and the vertical double arrow that shifts it.
    c.p.setPen(c.Pen(c.line, 1.6, Qt::FlatCap));
    c.p.drawLine(QPointF(8.0, 4.0), QPointF(8.0, 12.0));
    c.Polygon({QPointF(8.0, 0.5), QPointF(11.5, 5.0), QPointF(4.5, 5.0)}, c.line);
    c.Polygon({QPointF(8.0, 15.5), QPointF(11.5, 11.0), QPointF(4.5, 11.0)}, c.line);
}

void MouseZoom(const Canvas& c) {
    const QPointF centre(6.25, 6.75);
    const double r = 4.6;
    c.p.setPen(c.Pen(c.line, 2.2, Qt::RoundCap));
    c.p.drawLine(QPointF(9.8, 10.3), QPointF(14.3, 14.8));  // handle
    QColor glass = kLens;
    c.p.setPen(c.Pen(c.line, 1.3));
    c.p.setBrush(glass);
    c.p.drawEllipse(centre, r, r);
    c.p.setPen(c.Pen(c.line, 1.3, Qt::FlatCap));
    c.p.drawLine(QPointF(centre.x() - 2.4, centre.y()), QPointF(centre.x() + 2.4, centre.y()));  // "+"
    c.p.drawLine(QPointF(centre.x(), centre.y() - 2.4), QPointF(centre.x(), centre.y() + 2.4));
    c.p.drawLine(QPointF(11.6, 2.25), QPointF(15.6, 2.25));  // "-" for the right button
}

void LightMode(const Canvas& c) {
    const QPointF centre(8.0, 8.0);
    c.p.setPen(c.Pen(c.line, 1.3, Qt::RoundCap));
    for (int i = 0; i < 8; ++i) {
        const double a = i * std::numbers::pi / 4.0;
        const QPointF d(std::cos(a), std::sin(a));
        c.p.drawLine(centre + d * 5.0, centre + d * 7.0);
    }
    c.p.setPen(c.Pen(c.line, 1.0));
    c.p.setBrush(kSun);
    c.p.drawEllipse(centre, 3.4, 3.4);
}

void Snapshot(const Canvas& c) {
    c.p.setPen(c.Pen(c.line, 1.0));
    c.p.setBrush(kCameraBody);
    QPainterPath body;
    body.addRoundedRect(QRectF(0.5, 4.5, 15.0, 10.0), 1.5, 1.5);
    QPainterPath hump;
    hump.addPolygon(QPolygonF({QPointF(4.5, 5.0), QPointF(5.8, 2.5), QPointF(10.2, 2.5), QPointF(11.5, 5.0)}));
    hump.closeSubpath();
    c.p.drawPath(body.united(hump));
    c.p.setBrush(kLens);
    c.p.drawEllipse(QPointF(8.0, 9.5), 3.3, 3.3);
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(kCursorBlue.darker(130));
    c.p.drawEllipse(QPointF(8.0, 9.5), 1.6, 1.6);
    c.p.setBrush(Qt::white);
    c.p.drawRect(QRectF(2.0, 6.0, 2.0, 1.5));  // flash window
}

void RollStart(const Canvas& c) {
    c.Polygon({QPointF(2.0, 3.0), QPointF(3.6, 3.0), QPointF(3.6, 13.0), QPointF(2.0, 13.0)}, c.line);
    c.Polygon({QPointF(4.0, 8.0), QPointF(9.0, 3.0), QPointF(9.0, 13.0)}, c.line);
    c.Polygon({QPointF(9.0, 8.0), QPointF(14.0, 3.0), QPointF(14.0, 13.0)}, c.line);
}

void RollStop(const Canvas& c) {
    QPainterPath square;
    square.addRoundedRect(QRectF(3.5, 3.5, 9.0, 9.0), 0.8, 0.8);
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(c.line);
    c.p.drawPath(square);
}

void RollEnd(const Canvas& c) {
    c.Polygon({QPointF(12.4, 3.0), QPointF(14.0, 3.0), QPointF(14.0, 13.0), QPointF(12.4, 13.0)}, c.line);
    c.Polygon({QPointF(12.0, 8.0), QPointF(7.0, 3.0), QPointF(7.0, 13.0)}, c.line);
    c.Polygon({QPointF(7.0, 8.0), QPointF(2.0, 3.0), QPointF(2.0, 13.0)}, c.line);
}

// Arrows that squeeze a stretch of trace (in) or spread it (out).
void ZoomRatio(const Canvas& c, bool in) {
    c.p.setPen(c.Pen(c.line, 1.4, Qt::FlatCap));
    if (in) {
        c.p.drawLine(QPointF(1.2, 3.0), QPointF(1.2, 13.0));
        c.p.drawLine(QPointF(14.8, 3.0), QPointF(14.8, 13.0));
        c.Polygon({QPointF(7.6, 8.0), QPointF(3.0, 3.6), QPointF(3.0, 12.4)}, c.line);
        c.Polygon({QPointF(8.4, 8.0), QPointF(13.0, 3.6), QPointF(13.0, 12.4)}, c.line);
    } else {
        c.p.drawLine(QPointF(8.0, 3.0), QPointF(8.0, 13.0));
        c.Polygon({QPointF(1.0, 8.0), QPointF(6.4, 3.0), QPointF(6.4, 13.0)}, c.line);
        c.Polygon({QPointF(15.0, 8.0), QPointF(9.6, 3.0), QPointF(9.6, 13.0)}, c.line);
    }
}

// One history thumbnail: a little screen, with a trace when big enough to read.
void Thumbnail(const Canvas& c, const QRectF& r) {
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(kScreen);
    c.p.drawRect(r);
    const double cellPx = r.width() * c.px / 16.0;
    if (cellPx < 9.0) return;  // a trace in fewer pixels is only noise
    QPainterPath wave;
    const double left = r.left() + r.width() * 0.12, right = r.right() - r.width() * 0.12;
    const double mid = r.center().y(), amp = r.height() * 0.25;
    const int steps = 24;
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        const QPointF q(left + (right - left) * t, mid - amp * std::sin(t * 2.0 * std::numbers::pi));
        if (i == 0) wave.moveTo(q);
        else wave.lineTo(q);
    }
    c.p.setPen(QPen(kTraceYellow, std::max(0.9, r.width() / 8.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    c.p.setBrush(Qt::NoBrush);
    c.p.drawPath(wave);
}

void History(const Canvas& c, int columns, int rows) {
    // Cells fill x 1..15 and y 2..14 with one-unit gaps.
    const double gap = 1.0;
    const double w = (14.0 - gap * (columns - 1)) / columns;
    const double h = (12.0 - gap * (rows - 1)) / rows;
    for (int row = 0; row < rows; ++row)
        for (int col = 0; col < columns; ++col)
            Thumbnail(c, QRectF(1.0 + col * (w + gap), 2.0 + row * (h + gap), w, h));
    // A frame round the grid ties the cells to the window.
    c.p.setPen(c.Pen(c.line, 0.8));
    c.p.setBrush(Qt::NoBrush);
    c.p.drawRect(QRectF(0.4, 1.4, 15.2, 13.2));
}

void Paint(const Canvas& c, IconId id) {
    switch (id) {
    case IconId::GraticuleDots: GraticuleDots(c); break;
    case IconId::GraticuleTicks: GraticuleTicks(c); break;
    case IconId::GraticuleCross: GraticuleCross(c); break;
    case IconId::MouseCursors: MouseCursors(c); break;
    case IconId::MouseCursorsHidden: MouseCursorsHidden(c); break;
    case IconId::MouseMove: MouseMove(c); break;
    case IconId::MouseZoom: MouseZoom(c); break;
    case IconId::LightMode: LightMode(c); break;
    case IconId::Snapshot: Snapshot(c); break;
    case IconId::RollStart: RollStart(c); break;
    case IconId::RollStop: RollStop(c); break;
    case IconId::RollEnd: RollEnd(c); break;
    case IconId::ZoomRatioIn: ZoomRatio(c, true); break;
    case IconId::ZoomRatioOut: ZoomRatio(c, false); break;
    case IconId::HistorySmall: History(c, 3, 3); break;
    case IconId::HistoryMedium: History(c, 2, 2); break;
    case IconId::HistoryLarge: History(c, 1, 1); break;
    }
}

// Square of side min(w, h) centred in rect, in which a 16-unit drawing fills the side.
void BeginCanvas(QPainter& painter, const QRectF& rect, double& px) {
    const double side = std::min(rect.width(), rect.height());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(rect.center().x() - side / 2.0, rect.center().y() - side / 2.0);
    painter.scale(side / 16.0, side / 16.0);
    const QPaintDevice* device = painter.device();
    px = side * (device ? device->devicePixelRatioF() : 1.0);
}

QColor LineColour() {
    QColor c = QGuiApplication::palette().color(QPalette::Active, QPalette::ButtonText);
    // A nearly black line reads softer on light buttons; light themes keep their colour.
    if (c.lightness() < 40) c = QColor(0x22, 0x26, 0x2b);
    return c;
}

// Greyed version of an icon image for disabled buttons.
void Disable(QImage& image) {
    const QColor base = QGuiApplication::palette().color(QPalette::Disabled, QPalette::ButtonText);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = row[x];
            const int a = qAlpha(px);
            if (a == 0) continue;
            // Unpremultiply, grey, then blend towards the disabled text colour.
            const QColor colour = QColor::fromRgba(qUnpremultiply(px));
            const int g = qGray(colour.rgb());
            const int r = (g + base.red() * 2) / 3, gg = (g + base.green() * 2) / 3, b = (g + base.blue() * 2) / 3;
            const int na = a * 55 / 100;
            row[x] = qPremultiply(qRgba(r, gg, b, na));
        }
    }
}

class PaintedIconEngine final : public QIconEngine {
public:
    explicit PaintedIconEngine(int id) : id_(id) {}  // -1: the program icon

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap pm = pixmap(rect.size() * dpr, mode, state);
        pm.setDevicePixelRatio(dpr);
        painter->drawPixmap(rect, pm);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        if (size.isEmpty()) return {};
        const QColor line = LineColour();
        const QString key = QStringLiteral("kivelo-icon-%1-%2x%3-%4-%5")
                                .arg(id_)
                                .arg(size.width())
                                .arg(size.height())
                                .arg(mode == QIcon::Disabled ? 1 : 0)
                                .arg(line.rgba(), 0, 16);
        QPixmap cached;
        if (QPixmapCache::find(key, &cached)) return cached;
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            const QRectF rect(0, 0, size.width(), size.height());
            if (id_ < 0) PaintProgramIcon(p, rect);
            else PaintKiveloIcon(p, rect, static_cast<IconId>(id_), line);
        }
        if (mode == QIcon::Disabled) Disable(image);
        cached = QPixmap::fromImage(image);
        QPixmapCache::insert(key, cached);
        return cached;
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {QSize(16, 16), QSize(24, 24), QSize(32, 32), QSize(48, 48), QSize(64, 64), QSize(128, 128)};
    }
    QIconEngine* clone() const override { return new PaintedIconEngine(id_); }
    QString key() const override { return QStringLiteral("KiveloPainted"); }
    QString iconName() override { return id_ < 0 ? QStringLiteral("kivelo") : QStringLiteral("kivelo-%1").arg(id_); }
    bool isNull() override { return false; }

private:
    int id_;
};

}  // namespace

void PaintKiveloIcon(QPainter& painter, const QRectF& rect, IconId id, const QColor& line) {
    double px = 16;
    BeginCanvas(painter, rect, px);
    Paint(Canvas{painter, px, line}, id);
    painter.restore();
}

void PaintProgramIcon(QPainter& painter, const QRectF& rect) {
    double px = 16;
    BeginCanvas(painter, rect, px);
    QPainter& p = painter;
    // Instrument case with the screen in it.
    QPainterPath body;
    body.addRoundedRect(QRectF(0.5, 1.0, 15.0, 14.0), 2.0, 2.0);
    p.setPen(QPen(QColor(0x1c, 0x21, 0x27), 0.8));
    p.setBrush(QColor(0x4a, 0x54, 0x5f));
    p.drawPath(body);
    const QRectF screen(2.0, 2.5, 12.0, px >= 32 ? 9.0 : 11.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x06, 0x12, 0x0a));
    p.drawRect(screen);
    if (px >= 32) {  // graticule and knobs only where they can be seen
        p.setPen(QPen(QColor(0x1f, 0x55, 0x2e), 0.35));
        for (int i = 1; i < 4; ++i) {
            const double x = screen.left() + screen.width() * i / 4.0;
            p.drawLine(QPointF(x, screen.top()), QPointF(x, screen.bottom()));
        }
        for (int i = 1; i < 3; ++i) {
            const double y = screen.top() + screen.height() * i / 3.0;
            p.drawLine(QPointF(screen.left(), y), QPointF(screen.right(), y));
        }
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xc8, 0xcf, 0xd6));
        p.drawEllipse(QPointF(10.5, 13.2), 0.8, 0.8);
        p.drawEllipse(QPointF(13.0, 13.2), 0.8, 0.8);
        p.setBrush(QColor(0x57, 0xf2, 0x87));
        p.drawRect(QRectF(2.5, 12.7, 3.0, 1.0));
    }
    // The trace: a damped wave, bright green with a soft glow on big icons.
    QPainterPath wave;
    const double left = screen.left() + 0.6, right = screen.right() - 0.6;
    const double mid = screen.center().y(), amp = screen.height() * 0.36;
    const int steps = 48;
    const double periods = px >= 32 ? 3.0 : 2.0;  // fewer swings where pixels are few
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        const double y = mid - amp * std::exp(-1.6 * t) * std::sin(t * periods * 2.0 * std::numbers::pi);
        const QPointF q(left + (right - left) * t, y);
        if (i == 0) wave.moveTo(q);
        else wave.lineTo(q);
    }
    p.setBrush(Qt::NoBrush);
    if (px >= 32) {
        p.setPen(QPen(QColor(0x57, 0xf2, 0x87, 70), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(wave);
    }
    p.setPen(QPen(QColor(0x57, 0xf2, 0x87), px >= 32 ? 0.9 : 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(wave);
    painter.restore();
}

QIcon KiveloIcon(IconId id) { return QIcon(new PaintedIconEngine(static_cast<int>(id))); }

QIcon ProgramIcon() { return QIcon(new PaintedIconEngine(-1)); }

}  // namespace kivelo::app
