#include "app/core/FramePlacement.h"

#include <algorithm>
#include <cstdint>

#include "display/RasterPlane.h"
#include "display/RenderTarget.h"

namespace kivelo::app {
namespace {

constexpr int64_t kGrabWidth = 64;  // enough of the title to take hold of
constexpr int64_t kGrabHeight = 16;

}  // namespace

std::optional<FrameRect> RestoredFramePlacement(const FrameRect& saved, std::span<const FrameRect> screens) {
    const int64_t w = int64_t{saved.right} - saved.left, h = int64_t{saved.bottom} - saved.top;
    if (w < kMinFrameWidth || h < kMinFrameHeight || w > RasterPlane::kMaxSide || h > RasterPlane::kMaxSide)
        return std::nullopt;
    for (const FrameRect& s : screens) {
        const int64_t left = std::max<int64_t>(saved.left, s.left), right = std::min<int64_t>(saved.right, s.right);
        const int64_t top = std::max<int64_t>(saved.top, s.top);
        const int64_t bottom = std::min<int64_t>(int64_t{saved.top} + kGrabHeight, s.bottom);
        if (right - left >= kGrabWidth && bottom - top >= kGrabHeight) return saved;
    }
    return std::nullopt;
}

}  // namespace kivelo::app
