#pragma once
// Where the frame goes at start: the rectangle saved at the last exit, when a
// screen still shows it; else the default placement.
#include <optional>
#include <span>

#include "app/core/SettingsRecord.h"

namespace kivelo::app {

// The saved rectangle (left, top, right, bottom of the frame's client area)
// when it is at least the minimum frame size, at most kMaxSide a side, and
// its top strip (where the title bar and menus are) lies on one of the
// screens' available areas by at least 64 x 16 pixels; else none.
std::optional<FrameRect> RestoredFramePlacement(const FrameRect& saved, std::span<const FrameRect> screens);

}  // namespace kivelo::app
