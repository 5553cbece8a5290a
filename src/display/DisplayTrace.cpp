#include "display/DisplayTrace.h"

#include <cmath>
#include <limits>

namespace kivelo {
namespace {
constexpr size_t kNameChars = 15;  // 16-character field with terminator
constexpr size_t kUnitChars = 7;   // 8-character field with terminator

std::string CutAtNul(std::string_view text, size_t max) {
    const size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    return std::string(text.substr(0, max));
}
}  // namespace

void DisplayTrace::SetVerticalZoom(double zoom) {
    const double stored = std::trunc(zoom * 65536.0);
    if (!(stored >= 1.0)) {
        verticalZoom = 1;  // never 0: the zoom divides
    } else if (stored > std::numeric_limits<int32_t>::max()) {
        verticalZoom = std::numeric_limits<int32_t>::max();
    } else {
        verticalZoom = static_cast<int32_t>(stored);
    }
}

void DisplayTrace::SetName(std::string_view text) { name = CutAtNul(text, kNameChars); }
void DisplayTrace::SetUnit(std::string_view text) { unit = CutAtNul(text, kUnitChars); }

double DisplayTrace::BandTopValue() const { return (verticalPosition + 32768.0 / GetVerticalZoom()) * gain + offset; }

double DisplayTrace::BandBottomValue() const {
    return (verticalPosition - 32768.0 / GetVerticalZoom()) * gain + offset;
}

}  // namespace kivelo
