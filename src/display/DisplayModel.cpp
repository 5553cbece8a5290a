#include "display/DisplayModel.h"

#include <algorithm>

namespace kivelo {

DisplayModel::DisplayModel() {
    for (int i = 0; i < kWindowCount; ++i) areas[static_cast<size_t>(i)].windowIndex = static_cast<uint8_t>(i);
    Area(WindowId::History).graticuleStyle = 4;
    mainOnOff.fill(kTraceAbsent);
    mainSet.SetXTrace(0);
    zoomSet.SetXTrace(0);
    ApplyColours(false);
    palette.Build(false);
}

void DisplayModel::SetLightMode(bool on) {
    palette.Build(on);
    redraw.Mark(ModelChange::Palette);
}

void DisplayModel::SetGraticuleStyle(int style) {
    const uint16_t s = static_cast<uint16_t>(std::clamp(style, 0, 5));
    Area(WindowId::Main).graticuleStyle = s;
    Area(WindowId::Zoom).graticuleStyle = s;
    Area(WindowId::Xy).graticuleStyle = s;
    redraw.Mark(ModelChange::Graticule);
}

void DisplayModel::SetVerticalDivisions(int v) {
    const uint8_t d = static_cast<uint8_t>(std::clamp(v, 0, 255));
    for (WindowId w : {WindowId::Main, WindowId::Zoom}) {
        Area(w).horizontalDivisions = 10;
        Area(w).verticalDivisions = d;
    }
    Area(WindowId::Xy).horizontalDivisions = d;
    Area(WindowId::Xy).verticalDivisions = d;
    redraw.Mark(ModelChange::Graticule);
}

void DisplayModel::SetSnapshot(bool on) {
    snapshot_ = on;
    if (on) ++snapshots_;
    redraw.Mark(ModelChange::Snapshot);
}

void DisplayModel::SetMouseMode(MouseMode mode) {
    mouseMode = mode;
    redraw.Mark(ModelChange::MouseMode);
}

void DisplayModel::SetShown(WindowId window, bool on) {
    shown[static_cast<size_t>(window)] = on;
    // The Zoom window has no picture of its own yet when it comes back.
    if (on && window == WindowId::Zoom) redraw.MarkWindows(1u << static_cast<uint32_t>(WindowId::Zoom), true);
    redraw.Mark(ModelChange::Layout);
}

bool DisplayModel::ToggleTrace(WindowId window, int index) {
    if (index < 0 || index >= kTraceCount) return false;
    uint8_t& value = (window == WindowId::Zoom ? zoom.onOff : mainOnOff)[static_cast<size_t>(index)];
    if (value != kTraceOff && value != kTraceOn) return false;
    value = value == kTraceOn ? kTraceOff : kTraceOn;
    redraw.Mark(window == WindowId::Zoom ? ModelChange::ZoomTraces : ModelChange::MainTraces);
    return true;
}

bool DisplayModel::SetSplit(WindowId window, int count, int maxSplit) {
    if (count < 1 || count > maxSplit) return false;
    (window == WindowId::Zoom ? zoom.splitCount : mainSplit) = count;
    redraw.Mark(window == WindowId::Zoom ? ModelChange::ZoomTraces : ModelChange::MainTraces);
    return true;
}

bool DisplayModel::SetXTrace(int index) {
    if (index < 0 || index >= std::min(static_cast<int>(xy.xTraceList.size()), kTraceCount)) return false;
    xy.xTrace = index;
    mainSet.SetXTrace(index);
    zoomSet.SetXTrace(index);
    redraw.Mark(ModelChange::XyFigure);
    return true;
}

void DisplayModel::SetXyRange(bool main) {
    xy.rangeMain = main;
    redraw.Mark(ModelChange::XyFigure);
}

void DisplayModel::SetAllOverlayMarks(bool on) {
    if (!document.loaded) return;
    HistoryState::SetAllMarks(document.overlayMarks, document.recordCount, on);
    redraw.Mark(ModelChange::Records);
}

void DisplayModel::SetChaser(bool on) {
    history.SetChaser(on);
    if (on) ChaseRecords();
    redraw.Mark(ModelChange::Records);
}

bool DisplayModel::ChangeZoom(bool remember, const std::function<bool(ZoomController&, int64_t)>& change) {
    const int64_t length = document.recordLength;
    if (!document.loaded || length <= 0) return false;
    if (remember) zoomHistory.Push(zoom);
    if (!change(zoom, length)) return false;
    redraw.Mark(ModelChange::ZoomStretch);
    return true;
}

bool DisplayModel::ZoomBack() {
    return ChangeZoom(false, [this](ZoomController& z, int64_t length) { return zoomHistory.Back(z, length); });
}

bool DisplayModel::ClickRecord(int record, bool left) {
    if (!HistoryState::Click(record, left, document.overlayMarks, document.recordCount, document.currentRecord))
        return false;
    redraw.Mark(ModelChange::Records);
    return true;
}

void DisplayModel::FollowChaser() { redraw.Mark(ChaseRecords() ? ModelChange::Records : ModelChange::HistoryCells); }

bool DisplayModel::ChaseRecords() {
    return document.loaded && history.ApplyChaser(document.overlayMarks, document.recordCount, document.currentRecord);
}

void DisplayModel::ApplyColours(bool forOverlay) {
    const bool alternative = LightMode() != forOverlay;
    mainSet.ApplyColourAssignment(alternative);
    zoomSet.ApplyColourAssignment(alternative);
    historySet.ApplyColourAssignment(alternative);
}

}  // namespace kivelo
