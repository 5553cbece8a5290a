#include "display/MouseHandler.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "display/CursorRenderer.h"
#include "display/CursorSamples.h"
#include "display/CursorState.h"
#include "display/MouseTargets.h"
#include "display/RenderTarget.h"
#include "display/VerticalScaling.h"
#include "display/ViewNavigation.h"
#include "display/WindowTexts.h"

namespace kivelo {
namespace {

constexpr uint32_t Bit(WindowId w) { return 1u << static_cast<uint32_t>(w); }
constexpr uint32_t kAll = 0xF;

bool IsTimeWindow(WindowId w) { return w == WindowId::Main || w == WindowId::Zoom; }

TraceSet& LiveSet(DisplayModel& m, WindowId w) { return w == WindowId::Zoom ? m.zoomSet : m.mainSet; }
TraceSet& OtherLiveSet(DisplayModel& m, WindowId w) { return w == WindowId::Zoom ? m.mainSet : m.zoomSet; }

// Trace drawn under the pointer in a time window, or none.
int PickTrace(const DisplayModel& m, const RasterPlane& plane, WindowId w, int x, int y) {
    const ViewArea& a = m.Area(w);
    return TraceUnderPointer(plane, a.windowX + x, a.windowY + y - kWindowPanelHeight, m.palette.LabelColourOffset());
}

// A number the value dialogs read back as the same value: no unit prefix
// that the dialog's number parser would drop.
std::string PlainNumber(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

bool OnZoomStartLine(const ViewArea& a, int x, int y, int lineHeight) {
    const int top = a.areaY + a.areaHeight + kWindowPanelHeight;
    return x >= 11 && x <= 57 && y >= top && y < top + 2 * lineHeight;
}

}  // namespace

std::optional<ScaleRequest> SelectForScale(DisplayModel& model, int trace) {
    if (!model.document.loaded || trace < 0 || trace >= kTraceCount) return std::nullopt;
    const uint8_t value = model.mainOnOff[static_cast<size_t>(trace)];
    const DisplayTrace& t = model.mainSet[trace];
    if ((value != kTraceOn && value != kTraceOff) || t.logic) return std::nullopt;
    model.selectedTrace = trace;
    return ScaleRequest{trace, 0, 0, t.name, PlainNumber(t.BandTopValue()), PlainNumber(t.BandBottomValue())};
}

std::string ZoomStartText(const DisplayModel& model) {
    const HorzInfo& h = model.document.horz;
    return PlainNumber(static_cast<double>(model.zoom.ZoomStart()) * h.HResolution + h.HOffset);
}

MouseOutcome MouseHandler::Handle(DisplayModel& model, const RenderCache& drawn, const MouseInput& in,
                                  const MouseContext& context) {
    if (!model.document.loaded || context.frameWidth < kMinFrameWidth || context.frameHeight < kMinFrameHeight) {
        drag_ = Drag::None;
        return {};
    }
    switch (in.action) {
    case MouseAction::Press: return Press(model, drawn, in, context);
    case MouseAction::Move: return Move(model, drawn, in);
    case MouseAction::Release: return Release(model, in);
    }
    return {};
}

MouseOutcome MouseHandler::Press(DisplayModel& m, const RenderCache& drawn, const MouseInput& in,
                                 const MouseContext& context) {
    MouseOutcome out;
    drag_ = Drag::None;
    if (!IsTimeWindow(in.window)) return out;
    const ViewArea& area = m.Area(in.window);
    const TraceSet& set = LiveSet(m, in.window);

    if (InLabelColumn(area, in.x, in.y)) {
        const int trace = TraceAtLabelRow(set, in.y, context.lineHeight);
        if (trace == kNoTrace) return out;
        m.selectedTrace = trace;
        const DisplayTrace& t = set[trace];
        out.scale =
            ScaleRequest{trace, in.x, in.y, t.name, PlainNumber(t.BandTopValue()), PlainNumber(t.BandBottomValue())};
        return out;
    }
    if (in.window == WindowId::Zoom && OnZoomStartLine(area, in.x, in.y, context.lineHeight)) {
        out.zoomPosition = ZoomPositionRequest{in.x, in.y, ZoomStartText(m)};
        return out;
    }
    // The frame drags with any button.
    if (in.window == WindowId::Main && m.shown[static_cast<size_t>(WindowId::Zoom)] &&
        OnZoomFrame(area, drawn.zoomFrame, in.x, in.y)) {
        drag_ = Drag::ZoomFrame;
        pressX_ = in.x;
        dragPosition_ = m.zoom.Position();
        return out;
    }

    // A middle (or Ctrl + left) drag in Main selects the stretch the Zoom window shows.
    if (in.window == WindowId::Main &&
        (in.button == MouseButton::Middle || (in.ctrl && in.button == MouseButton::Left))) {
        if (!m.shown[static_cast<size_t>(WindowId::Zoom)]) return out;
        drag_ = Drag::Select;
        pressX_ = in.x;
        out.selection = std::make_pair(in.x, in.x);
        return out;
    }
    if (in.button == MouseButton::Middle) return out;

    const bool left = in.button == MouseButton::Left;
    switch (m.mouseMode) {
    case MouseMode::Cursors:
    case MouseMode::CursorsHidden:
        MoveCursor(m, drawn.plane, in.window, in.x, in.y, left, true);
        drag_ = Drag::Cursor;
        dragWindow_ = in.window;
        dragButton_ = in.button;
        if (m.mouseMode == MouseMode::Cursors) out.cursors = Bit(in.window);
        break;
    case MouseMode::VerticalMove:
        movedTrace_ = PickTrace(m, drawn.plane, in.window, in.x, in.y);
        if (movedTrace_ == kNoTrace) break;
        drag_ = Drag::Move;
        dragWindow_ = in.window;
        lastY_ = in.y;
        break;
    case MouseMode::VerticalZoom: {
        const int trace = PickTrace(m, drawn.plane, in.window, in.x, in.y);
        if (trace == kNoTrace) break;
        DisplayTrace& t = LiveSet(m, in.window)[trace];
        const int row = area.windowY + in.y - kWindowPanelHeight;
        if (!ZoomVertically(t, area, row, left)) break;
        DisplayTrace& other = OtherLiveSet(m, in.window)[trace];
        other.verticalZoom = t.verticalZoom;
        other.verticalPosition = t.verticalPosition;
        out.redraw = kAll;
        break;
    }
    }
    return out;
}

MouseOutcome MouseHandler::Move(DisplayModel& m, const RenderCache& drawn, const MouseInput& in) {
    MouseOutcome out;
    switch (drag_) {
    case Drag::None: break;
    case Drag::ZoomFrame: {
        const int64_t L = m.document.recordLength;
        dragPosition_ = DraggedZoomPosition(m.zoom, m.Area(WindowId::Main), L, pressX_, in.x);
        const int64_t start = static_cast<int64_t>(std::trunc(dragPosition_ * static_cast<double>(L) * 1e-11));
        out.zoomFrame = std::make_pair(start, start + m.zoom.SpanOf(L));
        break;
    }
    case Drag::Select:
        if (in.window == WindowId::Main) out.selection = std::make_pair(pressX_, in.x);
        break;
    case Drag::Cursor:
        if (in.window != dragWindow_) break;
        MoveCursor(m, drawn.plane, dragWindow_, in.x, in.y, dragButton_ == MouseButton::Left, false);
        if (m.mouseMode == MouseMode::Cursors) out.cursors = Bit(dragWindow_);
        break;
    case Drag::Move: {
        const int dy = in.y - lastY_;
        if (dy == 0) break;
        lastY_ = in.y;
        DisplayTrace& t = LiveSet(m, dragWindow_)[movedTrace_];
        ShiftVertically(t, m.Area(dragWindow_), dy);
        OtherLiveSet(m, dragWindow_)[movedTrace_].verticalPosition = t.verticalPosition;
        m.historySet[movedTrace_].verticalPosition = t.verticalPosition;
        out.redraw = kAll;
        break;
    }
    }
    return out;
}

MouseOutcome MouseHandler::Release(DisplayModel& m, const MouseInput& in) {
    MouseOutcome out;
    if (drag_ == Drag::ZoomFrame) {
        const int64_t L = m.document.recordLength;
        dragPosition_ = DraggedZoomPosition(m.zoom, m.Area(WindowId::Main), L, pressX_, in.x);
        m.zoomHistory.Push(m.zoom);
        m.zoom.SetPosition(dragPosition_, L);
        out.redraw = Bit(WindowId::Zoom) | Bit(WindowId::Xy);
    }
    if (drag_ == Drag::Select) {
        const int64_t L = m.document.recordLength;
        const ViewArea& a = m.Area(WindowId::Main);
        const int x = in.window == WindowId::Main ? in.x : pressX_;
        // A click without a drag selects nothing; the Main picture loses the selection mark.
        if (std::abs(x - pressX_) >= 2) {
            m.zoomHistory.Push(m.zoom);
            SelectStretch(m.zoom, L, SampleAtColumn(a, L, 0, pressX_), SampleAtColumn(a, L, 0, x));
        }
        out.redraw = Bit(WindowId::Main) | Bit(WindowId::Zoom) | Bit(WindowId::Xy);
    }
    drag_ = Drag::None;
    movedTrace_ = kNoTrace;
    return out;
}

MouseOutcome MouseHandler::Wheel(DisplayModel& m, const WheelInput& in, const MouseContext& context) {
    MouseOutcome out;
    if (!m.document.loaded || context.frameWidth < kMinFrameWidth || context.frameHeight < kMinFrameHeight) return out;
    if (!IsTimeWindow(in.window) || in.notches == 0) return out;
    const int64_t L = m.document.recordLength;
    m.zoomHistory.Push(m.zoom);
    bool moved = false;
    if (in.scroll) {
        moved = ScrollTenths(m.zoom, L, in.notches);
    } else {
        int64_t span = 0, first = 0;
        WindowSpan(m, in.window, span, first);
        const double anchor = SampleAtColumn(m.Area(in.window), span, first, in.x);
        for (int i = 0; i < std::abs(in.notches); ++i) moved |= WheelZoom(m.zoom, L, anchor, in.notches > 0);
    }
    if (moved) out.redraw = Bit(WindowId::Zoom) | Bit(WindowId::Xy);
    return out;
}

}  // namespace kivelo
