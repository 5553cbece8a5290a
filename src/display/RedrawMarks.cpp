#include "display/RedrawMarks.h"

namespace kivelo {
namespace {

constexpr uint32_t Bit(WindowId w) { return 1u << static_cast<uint32_t>(w); }
constexpr uint32_t kMain = Bit(WindowId::Main), kZoom = Bit(WindowId::Zoom), kHistory = Bit(WindowId::History),
                   kXy = Bit(WindowId::Xy), kAll = kMain | kZoom | kHistory | kXy;

}  // namespace

ChangeRedraw RedrawOf(ModelChange change) {
    switch (change) {
    case ModelChange::Palette: return {kAll, false};
    // History keeps its own frame style.
    case ModelChange::Graticule: return {kMain | kZoom | kXy, false};
    case ModelChange::Snapshot: return {kAll, true};
    case ModelChange::MouseMode: return {kAll, false};
    case ModelChange::Layout: return {kAll, false};
    // The Main window's traces are also the thumbnails' and the XY figure's.
    case ModelChange::MainTraces: return {kMain | kHistory | kXy, true};
    case ModelChange::ZoomTraces: return {kZoom | kXy, true};
    case ModelChange::TraceRange: return {kAll, true};
    // The zoom frame in the Main window is drawn with the Zoom window.
    case ModelChange::ZoomStretch: return {kZoom | kXy, true};
    case ModelChange::MainCursors: return {kMain, true};
    case ModelChange::ZoomCursors: return {kZoom, true};
    case ModelChange::Records: return {kAll, true};
    case ModelChange::HistoryCells: return {kHistory, true};
    case ModelChange::XyFigure: return {kXy, true};
    }
    return {kAll, true};
}

void RedrawMarks::Mark(ModelChange change) {
    const ChangeRedraw r = RedrawOf(change);
    MarkWindows(r.windows, r.atOnce);
}

void RedrawMarks::MarkAll(bool atOnce) { MarkWindows(kAll, atOnce); }

void RedrawMarks::MarkWindows(uint32_t windows, bool atOnce) {
    if (windows == 0) return;
    dirty_.fetch_or(windows);
    if (listener_) listener_(atOnce);
}

}  // namespace kivelo
