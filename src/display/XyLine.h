#pragma once
// The lines of the XY plot: successive points joined inside the area's box,
// painted through a callback so that a figure can be drawn into the plane or
// into a layer of its own.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace kivelo {

struct XyPoint {
    int64_t x = 0;
    int64_t y = 0;
};

// The area's edges: only pixels strictly inside are written.
struct XyBox {
    int64_t left, top, right, bottom;
    bool Inside(int64_t x, int64_t y) const { return left < x && x < right && top < y && y < bottom; }
};

// Cuts segment a-b to the box (Liang-Barsky) so that far-off points cost nothing.
inline bool ClipToBox(const XyBox& box, XyPoint& a, XyPoint& b) {
    const double x0 = static_cast<double>(a.x), y0 = static_cast<double>(a.y);
    const double dx = static_cast<double>(b.x - a.x), dy = static_cast<double>(b.y - a.y);
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - static_cast<double>(box.left), static_cast<double>(box.right) - x0,
                         y0 - static_cast<double>(box.top), static_cast<double>(box.bottom) - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) return false;
    }
    const XyPoint start{static_cast<int64_t>(std::lround(x0 + t0 * dx)),
                        static_cast<int64_t>(std::lround(y0 + t0 * dy))};
    const XyPoint end{static_cast<int64_t>(std::lround(x0 + t1 * dx)), static_cast<int64_t>(std::lround(y0 + t1 * dy))};
    a = start;
    b = end;
    return true;
}

// paint(x, y) for every pixel of the line a-b inside the box, a first.
template <typename Paint>
void XyLine(const XyBox& box, XyPoint a, XyPoint b, Paint&& paint) {
    // Clipping leaves a segment with both ends strictly inside as it is.
    const bool whole = box.Inside(a.x, a.y) && box.Inside(b.x, b.y);
    if (!whole && !ClipToBox(box, a, b)) return;
    const int64_t dx = b.x - a.x, dy = b.y - a.y;
    const int64_t n = std::max(std::llabs(dx), std::llabs(dy));
    if (n == 0) {
        if (box.Inside(a.x, a.y)) paint(a.x, a.y);
        return;
    }
    // 16.16 steps along the longer axis.
    const int64_t sx = (dx << 16) / n, sy = (dy << 16) / n;
    int64_t x = (a.x << 16) + 0x8000, y = (a.y << 16) + 0x8000;
    if (whole) {  // the steps never leave the rectangle spanned by the ends
        for (int64_t i = 0; i <= n; ++i, x += sx, y += sy) paint(x >> 16, y >> 16);
        return;
    }
    for (int64_t i = 0; i <= n; ++i, x += sx, y += sy) {
        const int64_t px = x >> 16, py = y >> 16;
        if (box.Inside(px, py)) paint(px, py);
    }
}

// Joins each point to the one before: a point on the pixel of the one before
// draws nothing new; a point outside the box is joined only to one inside.
class XyPen {
public:
    explicit XyPen(const XyBox& box) : box_(box) {}
    // Continues the line from `from`, the last point drawn before.
    void StartFrom(const XyPoint& from) {
        previous_ = from;
        havePrevious_ = true;
        previousInside_ = box_.Inside(from.x, from.y);
    }
    bool HasPrevious() const { return havePrevious_; }
    const XyPoint& Previous() const { return previous_; }

    template <typename Paint>
    [[gnu::always_inline]] void To(const XyPoint& p, Paint&& paint) {
        if (havePrevious_ && p.x == previous_.x && p.y == previous_.y) return;
        const bool inside = box_.Inside(p.x, p.y);
        if (havePrevious_) {
            Join(previous_, previousInside_, p, inside, paint);
        } else if (inside) {
            paint(p.x, p.y);
        }
        previous_ = p;
        previousInside_ = inside;
        havePrevious_ = true;
    }

    // What To paints for the line from a to b, two points on different pixels.
    template <typename Paint>
    [[gnu::always_inline]] void Join(const XyPoint& a, bool aInside, const XyPoint& b, bool bInside,
                                     Paint&& paint) const {
        if (aInside && bInside && std::llabs(b.x - a.x) <= 1 && std::llabs(b.y - a.y) <= 1) {
            // Neighbours, the common case of a long figure: what the line's steps paint.
            paint(a.x, a.y);
            paint(b.x, b.y);
        } else if (aInside || bInside) {
            XyLine(box_, a, b, paint);
        }
    }
    const XyBox& Box() const { return box_; }

private:
    XyBox box_;
    XyPoint previous_{};
    bool havePrevious_ = false;
    bool previousInside_ = false;
};

}  // namespace kivelo
