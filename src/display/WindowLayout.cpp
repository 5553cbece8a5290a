#include "display/WindowLayout.h"

#include <algorithm>
#include <cmath>

namespace kivelo {
namespace {

constexpr int kMinRightWidth = 130;
constexpr int kMinLeftWidth = 390;
constexpr int kMinLeftHeight = 100;
constexpr int kMinRightHeight = 150;

// Clamps a resized height to [minimum, usable - minimum] and returns it as a share.
double ShareOf(int height, int usable, int minimum) {
    if (usable <= 0) return 0.5;
    const int hi = std::max(minimum, usable - minimum);
    return std::clamp(static_cast<double>(std::clamp(height, minimum, hi)) / usable, 0.0, 1.0);
}

size_t Idx(WindowId w) { return static_cast<size_t>(w); }

}  // namespace

LayoutResult LayOutWindows(const LayoutInput& in) {
    LayoutResult out;
    out.shares = in.shares;
    const LayoutRect& f = in.frame;
    LayoutRect& u = out.usable;
    u.x = f.x + 4;
    u.y = f.y + in.metrics.panelHeight;
    u.width = std::max(f.width - 8, 0);
    u.height = std::max(f.height - in.metrics.panelHeight - 22, 0);

    out.toolbarPanel = {f.x + f.width - 480, f.y + in.metrics.rowPitch1 + 3, 478,
                        in.metrics.baseHeight + in.metrics.rowPitch1 - 3};

    if (in.resized) {
        const WindowResize& r = *in.resized;
        switch (r.window) {
        case WindowId::Main: out.shares.main = ShareOf(r.height, u.height, kMinLeftHeight); break;
        case WindowId::Zoom: out.shares.main = 1.0 - ShareOf(r.height, u.height, kMinLeftHeight); break;
        case WindowId::History: out.shares.history = ShareOf(r.height, u.height, kMinRightHeight); break;
        case WindowId::Xy: out.shares.history = 1.0 - ShareOf(r.height, u.height, kMinRightHeight); break;
        }
    }

    const bool mainOn = in.shown[Idx(WindowId::Main)];
    const bool zoomOn = in.shown[Idx(WindowId::Zoom)];
    const bool historyOn = in.shown[Idx(WindowId::History)];
    const bool xyOn = in.shown[Idx(WindowId::Xy)];
    const bool anyLeft = mainOn || zoomOn;
    const bool anyRight = historyOn || xyOn;

    int right = 0;
    if (anyRight) {
        right = anyLeft ? static_cast<int>(std::lround(f.width * std::clamp(out.shares.right, 0.0, 1.0))) : u.width;
        right = std::max(right, kMinRightWidth);
        if (anyLeft) right = std::min(right, u.width - kMinLeftWidth);
        right = std::clamp(right, 0, u.width);
    }
    const int left = anyLeft ? u.width - right : 0;

    auto split = [](bool upper, bool lower, double share, int total) {
        if (upper && lower) return std::clamp(static_cast<int>(total * std::clamp(share, 0.0, 1.0) + 1e-9), 0, total);
        return upper ? total : 0;
    };
    const int mainH = split(mainOn, zoomOn, out.shares.main, u.height);
    const int historyH = split(historyOn, xyOn, out.shares.history, u.height);

    out.windows[Idx(WindowId::Main)] = {u.x, u.y, left, mainH};
    out.windows[Idx(WindowId::Zoom)] = {u.x, u.y + mainH, left, zoomOn ? u.height - mainH : 0};
    out.windows[Idx(WindowId::History)] = {u.x + left, u.y, right, historyH};
    out.windows[Idx(WindowId::Xy)] = {u.x + left, u.y + historyH, right, xyOn ? u.height - historyH : 0};
    out.visible = {mainOn, zoomOn, historyOn, xyOn};
    return out;
}

}  // namespace kivelo
