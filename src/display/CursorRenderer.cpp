#include "display/CursorRenderer.h"

#include "display/Present.h"
#include "display/ZoomWindowRenderer.h"

#include <algorithm>
#include <cmath>

#include "display/CursorState.h"
#include "display/NumberFormat.h"
#include "display/WindowTexts.h"

namespace kivelo {
namespace {

const TraceSet& SetOf(const DisplayModel& m, WindowId w) { return w == WindowId::Zoom ? m.zoomSet : m.mainSet; }

int ClampToArea(const ViewArea& a, int x) { return std::clamp(x, static_cast<int>(a.areaX), a.areaX + a.areaWidth); }

}  // namespace

void WindowSpan(const DisplayModel& model, WindowId window, int64_t& span, int64_t& first) {
    const int64_t L = model.document.recordLength;
    if (window == WindowId::Zoom) {
        span = model.zoom.SpanOf(L);
        first = model.zoom.ZoomStart();
    } else {
        span = L;
        first = 0;
    }
}

CursorReading ReadCursor(const DisplayModel& model, WindowId window, int x, int trace) {
    CursorReading r;
    const ViewArea& a = model.Area(window);
    int64_t span = 0, first = 0;
    WindowSpan(model, window, span, first);
    const double aw = std::max<int>(a.areaWidth, 1);
    const int cx = ClampToArea(a, x) - a.areaX;
    const HorzInfo& h = model.document.horz;
    r.time = (cx / aw * static_cast<double>(span) + static_cast<double>(first)) * h.HResolution + h.HOffset;
    if (trace < 0 || trace >= kTraceCount) return r;
    const DisplayTrace& t = SetOf(model, window)[trace];
    // Only a trace the window shows holds points of this stretch.
    if (!t.displayOn || t.pointCount == 0) return r;
    int64_t index = 0;
    const int64_t last = static_cast<int64_t>(std::min<uint32_t>(t.pointCount, DisplayTrace::kMaxPoints)) - 1;
    if (span < 2000) {
        index = static_cast<int64_t>(cx) * span / static_cast<int64_t>(aw);
        index = std::min(index, last);
    } else {
        index = (static_cast<int64_t>(cx) * 2000 / static_cast<int64_t>(aw)) & ~int64_t{1};
        index = std::min(index, last & ~int64_t{1});
    }
    index = std::max<int64_t>(index, 0);
    r.sampleIndex = static_cast<int>(index);
    r.value = t.PhysicalValue(t.samples[static_cast<size_t>(index)]);
    return r;
}

void DrawCursors(const RenderTarget& target, WindowId window) {
    DisplayModel& m = target.model;
    if (!target.HasDocument() || m.mouseMode != MouseMode::Cursors) return;
    const ViewArea& a = m.Area(window);
    const CursorState& c = m.cursors;
    const size_t slot = CursorState::Slot(window);
    const int mesX = ClampToArea(a, c.mesX[slot]);
    const int refX = ClampToArea(a, c.refX[slot]);
    const Rgb fg = m.palette.Foreground();
    const Rgb bg = m.palette.Background();
    DisplayPainter& p = target.painter;
    const int top = a.areaY + 39;
    const int bottom = a.areaY + a.areaHeight + 33;
    p.DrawLine(mesX, top, mesX, bottom, fg, PenStyle::DashDotDot, bg);
    p.DrawLine(refX, top, refX, bottom, fg, PenStyle::Dot, bg);

    const int lh = target.LineHeight();
    const int y0 = TimeAxisRow(a);
    p.DrawText(58, y0 + lh, "MesCursor:", fg, std::nullopt);
    p.DrawText(58, y0 + 2 * lh, "RefCursor:", fg, std::nullopt);
    p.DrawText(58, y0 + 3 * lh, "Mes - Ref:", fg, std::nullopt);
    p.FillRect(125, y0, target.ClientWidth() - 374, 4 * lh, bg);

    const HorzInfo& h = m.document.horz;
    const CursorReading mes = ReadCursor(m, window, c.mesX[slot], c.mesTrace);
    const CursorReading ref = ReadCursor(m, window, c.refX[slot], c.refTrace);
    int64_t span = 0, first = 0;
    WindowSpan(m, window, span, first);
    const double diff =
        static_cast<double>(mesX - refX) / std::max<int>(a.areaWidth, 1) * static_cast<double>(span) * h.HResolution;
    p.DrawText(125, y0 + lh, FormatText(mes.time, h.HUnit, 4, h.HResolution), fg, std::nullopt);
    p.DrawText(125, y0 + 2 * lh, FormatText(ref.time, h.HUnit, 4, h.HResolution), fg, std::nullopt);
    p.DrawText(125, y0 + 3 * lh, FormatText(diff, h.HUnit, 4, h.HResolution), fg, std::nullopt);

    const TraceSet& set = SetOf(m, window);
    auto valueText = [&](const CursorReading& r, int trace) -> std::string {
        const DisplayTrace& t = set[trace];
        if (t.logic)
            return FormatBits(static_cast<uint16_t>(t.samples[static_cast<size_t>(*r.sampleIndex)]), t.bitCount);
        return FormatText(*r.value, t.unit, 4, t.gain);
    };
    if (mes.value)
        p.DrawText(208, y0 + lh, valueText(mes, c.mesTrace), m.palette.LabelColour(c.mesTrace), std::nullopt);
    if (ref.value)
        p.DrawText(208, y0 + 2 * lh, valueText(ref, c.refTrace), m.palette.LabelColour(c.refTrace), std::nullopt);
    if (mes.value && ref.value) {
        const DisplayTrace& tm = set[c.mesTrace];
        const DisplayTrace& tr = set[c.refTrace];
        if (!tm.logic && !tr.logic && tm.unit == tr.unit) {
            p.DrawText(208, y0 + 3 * lh, FormatText(std::fabs(*mes.value - *ref.value), tm.unit, 4, tm.gain), fg,
                       std::nullopt);
        }
    }
}

void RedrawCursors(const RenderTarget& target, WindowId window) {
    DisplayModel& m = target.model;
    if (!target.HasDocument() || !target.FrameLargeEnough()) return;
    const ViewArea& a = m.Area(window);
    // One column more than the area: a cursor at the right edge stands on it.
    Present(target.painter, m.plane, m.palette, a.windowX + a.areaX, a.windowY + a.areaY, a.areaWidth + 1,
            a.areaHeight + 1, a.areaX, kWindowPanelHeight + a.areaY);
    if (window == WindowId::Main && m.zoomFrame.x1 >= 0 && m.shown[static_cast<size_t>(WindowId::Zoom)]) {
        m.zoomFrame = ZoomFrameMark{};  // presented over: nothing left to erase
        const int64_t start = m.zoom.ZoomStart();
        DrawZoomFrame(m, target.painter, start, start + m.zoom.SpanOf(m.document.recordLength));
    }
    DrawCursors(target, window);
}

void MoveCursor(DisplayModel& model, WindowId window, int x, int y, bool left, bool press) {
    if (window != WindowId::Main && window != WindowId::Zoom) return;
    const size_t slot = CursorState::Slot(window);
    (left ? model.cursors.mesX : model.cursors.refX)[slot] = x;
    if (!press) return;
    const ViewArea& a = model.Area(window);
    const int trace =
        TraceUnderPointer(model.plane, a.windowX + x, a.windowY + y - 36, model.palette.LabelColourOffset());
    (left ? model.cursors.mesTrace : model.cursors.refTrace) = trace;
}

}  // namespace kivelo
