#pragma once
// Placement of the four display windows and the toolbar panel in the frame:
// a pure function of the frame rectangle, the shown flags, the shares and
// the text metrics.
#include <array>
#include <optional>

#include "display/TextMetrics.h"
#include "display/ViewArea.h"

namespace kivelo {

struct LayoutRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const LayoutRect&, const LayoutRect&) = default;
};

struct LayoutShares {
    double main = 0.5;     // Main's share of the left column's height
    double right = 0.3;    // right column's share of the frame width
    double history = 0.5;  // History's share of the right column's height
};

struct WindowResize {
    WindowId window = WindowId::Main;
    int width = 0;
    int height = 0;
};

struct LayoutInput {
    LayoutRect frame;
    std::array<bool, kWindowCount> shown{true, true, true, true};
    LayoutShares shares;
    TextMetrics metrics;
    std::optional<WindowResize> resized;  // a window the user resized, if any
};

struct LayoutResult {
    std::array<LayoutRect, kWindowCount> windows{};
    std::array<bool, kWindowCount> visible{};
    LayoutRect toolbarPanel;
    LayoutRect usable;
    LayoutShares shares;  // recomputed after a user resize
};

LayoutResult LayOutWindows(const LayoutInput& input);

}  // namespace kivelo
