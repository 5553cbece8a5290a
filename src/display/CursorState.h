#pragma once
// Measurement (Mes) and reference (Ref) cursors of the Main and Zoom windows.
#include <array>
#include <cstdint>

#include "display/RasterPlane.h"
#include "display/ViewArea.h"

namespace kivelo {

inline constexpr int kNoTrace = 100;

struct CursorState {
    std::array<int32_t, 2> mesX{100, 100};  // Main, Zoom: window x
    std::array<int32_t, 2> refX{200, 200};
    int32_t mesTrace = kNoTrace;
    int32_t refTrace = kNoTrace;

    static size_t Slot(WindowId w) { return w == WindowId::Zoom ? 1 : 0; }
};

// Trace whose colour lies in the 5 x 5 block around plane point (x, y):
// scanned column by column from the left, each from the top. `base` is the
// label colour offset; traces sharing code base + 15 cannot be picked.
int TraceUnderPointer(const RasterPlane& plane, int x, int y, int base);

}  // namespace kivelo
