#pragma once
// The XY window: every displayed trace against the X trace.
#include "display/RenderTarget.h"

namespace kivelo {

// Square trace area of a window of W x H (H below the panel).
void LayOutXyArea(ViewArea& area, int width, int height);

bool DrawXyWindow(const RenderTarget& target);

}  // namespace kivelo
