#pragma once
// Measurement (Mes) and reference (Ref) cursors of the Main and Zoom windows.
// A cursor is a sample position of the record, so resizing, layout, split,
// ratio and showing or hiding windows leave its time as it was; it is clamped
// to what its window shows only when drawn.
#include <array>
#include <cstdint>
#include <optional>

#include "display/RasterPlane.h"
#include "display/ViewArea.h"

namespace kivelo {

inline constexpr int kNoTrace = 100;

struct CursorState {
    // Sample positions (fractional) of the Main and Zoom windows' cursors.
    std::array<double, 2> mes{0.0, 0.0};
    std::array<double, 2> ref{0.0, 0.0};
    // A cursor given as a window column (at start, or by a caller that knows
    // only columns) takes its sample position when its window is next drawn.
    std::array<std::optional<int>, 2> mesColumn{100, 100};
    std::array<std::optional<int>, 2> refColumn{200, 200};
    int32_t mesTrace = kNoTrace;
    int32_t refTrace = kNoTrace;

    static size_t Slot(WindowId w) { return w == WindowId::Zoom ? 1 : 0; }
    // Both windows' cursors at these columns, resolved at the next draw.
    void SetColumns(int mesX, int refX) {
        mesColumn = {mesX, mesX};
        refColumn = {refX, refX};
    }
};

// Trace whose colour lies in the 5 x 5 block around plane point (x, y):
// scanned column by column from the left, each from the top. `base` is the
// label colour offset; traces sharing code base + 15 cannot be picked.
int TraceUnderPointer(const RasterPlane& plane, int x, int y, int base);

}  // namespace kivelo
