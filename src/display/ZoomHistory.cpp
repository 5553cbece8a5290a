#include "display/ZoomHistory.h"

#include "display/ZoomController.h"

namespace kivelo {
namespace {

ZoomView ViewOf(const ZoomController& zoom) { return {zoom.Selected(), zoom.Position()}; }

}  // namespace

void ZoomHistory::Push(const ZoomController& zoom) {
    const ZoomView now = ViewOf(zoom);
    if (!views_.empty() && views_.back() == now) return;
    views_.push_back(now);
    while (views_.size() > kDepth) views_.pop_front();
}

bool ZoomHistory::Back(ZoomController& zoom, int64_t recordLength) {
    const ZoomView now = ViewOf(zoom);
    while (!views_.empty() && views_.back() == now) views_.pop_back();
    if (views_.empty()) return false;
    const ZoomView view = views_.back();
    views_.pop_back();
    if (!zoom.SelectZoomRatio(view.selected, recordLength)) return false;
    zoom.SetPosition(view.position, recordLength);
    return true;
}

}  // namespace kivelo
