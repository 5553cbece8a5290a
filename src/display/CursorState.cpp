#include "display/CursorState.h"

#include "display/ColourCode.h"

namespace kivelo {

int TraceUnderPointer(const RasterPlane& plane, int x, int y, int base) {
    for (int col = x - 2; col <= x + 2; ++col) {
        for (int row = y - 2; row <= y + 2; ++row) {
            if (!plane.Contains(col, row)) continue;
            const int c = plane.At(col, row) & colour_code::kTraceMask;
            if (c >= base + 1 && c <= base + 14) return c - 1 - base;
        }
    }
    return kNoTrace;
}

}  // namespace kivelo
