#include "display/CursorRenderer.h"

#include "display/Present.h"
#include "display/ZoomWindowRenderer.h"

#include <algorithm>
#include <cmath>

#include "display/CursorSamples.h"
#include "display/CursorState.h"
#include "display/DisplayPointLoader.h"
#include "display/NumberFormat.h"
#include "display/ViewNavigation.h"
#include "display/WindowTexts.h"

namespace kivelo {
namespace {

const TraceSet& SetOf(const DisplayModel& m, WindowId w) { return w == WindowId::Zoom ? m.zoomSet : m.mainSet; }
const OnOffTable& TableOf(const DisplayModel& m, WindowId w) {
    return w == WindowId::Zoom ? m.zoom.onOff : m.mainOnOff;
}

// One sample of the current record as the display holds samples (byte-wide
// and offset-binary data converted), or none.
std::optional<int16_t> ReadSample(const DisplayModel& m, CWaveFile& file, WindowId w, int trace, int64_t index) {
    DisplayTrace one = SetOf(m, w)[trace];
    if (!LoadDisplayPoints(one, file, m.document.currentRecord, 512, index, 1, ChannelOf(TableOf(m, w), trace)))
        return std::nullopt;
    return one.samples[0];
}

}  // namespace

CursorReading ReadCursor(const DisplayModel& model, CWaveFile* file, WindowId window, double sample, int trace) {
    CursorReading r;
    const HorzInfo& h = model.document.horz;
    r.time = sample * h.HResolution + h.HOffset;
    const int64_t L = model.document.recordLength;
    if (!file || L <= 0 || trace < 0 || trace >= kTraceCount) return r;
    const DisplayTrace& t = SetOf(model, window)[trace];
    if (!t.displayOn) return r;  // only a trace the window shows has a value beside the cursor
    const int64_t index = std::clamp<int64_t>(static_cast<int64_t>(std::floor(sample + 1e-9)), 0, L - 1);
    r.raw = ReadSample(model, *file, window, trace, index);
    if (!r.raw) return r;
    r.sampleIndex = index;
    r.value = t.PhysicalValue(*r.raw);
    return r;
}

void DrawCursors(const RenderTarget& target, WindowId window) {
    const DisplayModel& m = target.model;
    if (!target.HasDocument() || m.mouseMode != MouseMode::Cursors) return;
    const ViewArea& a = m.Area(window);
    const CursorState& c = m.cursors;
    int64_t span = 0, first = 0;
    WindowSpan(m, window, span, first);
    const double mesSample = ShownCursorSample(m, window, true);
    const double refSample = ShownCursorSample(m, window, false);
    const int mesX = ColumnOfSample(a, span, first, mesSample);
    const int refX = ColumnOfSample(a, span, first, refSample);
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
    const CursorReading mes = ReadCursor(m, target.file, window, mesSample, c.mesTrace);
    const CursorReading ref = ReadCursor(m, target.file, window, refSample, c.refTrace);
    const double diff = (mesSample - refSample) * h.HResolution;
    p.DrawText(125, y0 + lh, FormatText(mes.time, h.HUnit, 4, h.HResolution), fg, std::nullopt);
    p.DrawText(125, y0 + 2 * lh, FormatText(ref.time, h.HUnit, 4, h.HResolution), fg, std::nullopt);
    p.DrawText(125, y0 + 3 * lh, FormatText(diff, h.HUnit, 4, h.HResolution), fg, std::nullopt);

    const TraceSet& set = SetOf(m, window);
    auto valueText = [&](const CursorReading& r, int trace) -> std::string {
        const DisplayTrace& t = set[trace];
        if (t.logic) return FormatBits(static_cast<uint16_t>(*r.raw), t.bitCount);
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
    const DisplayModel& m = target.model;
    RenderCache& cache = target.cache;
    if (!target.HasDocument() || !target.FrameLargeEnough()) return;
    const ViewArea& a = m.Area(window);
    // One column more than the area: a cursor at the right edge stands on it.
    Present(target.painter, cache.plane, m.palette, a.windowX + a.areaX, a.windowY + a.areaY, a.areaWidth + 1,
            a.areaHeight + 1, a.areaX, kWindowPanelHeight + a.areaY);
    if (window == WindowId::Main && cache.zoomFrame.x1 >= 0 && m.shown[static_cast<size_t>(WindowId::Zoom)]) {
        cache.zoomFrame = ZoomFrameMark{};  // presented over: nothing left to erase
        const int64_t start = m.zoom.ZoomStart();
        DrawZoomFrame(m, cache, target.painter, start, start + m.zoom.SpanOf(m.document.recordLength));
    }
    DrawCursors(target, window);
}

void MoveCursor(DisplayModel& model, const RasterPlane& plane, WindowId window, int x, int y, bool left, bool press) {
    if (window != WindowId::Main && window != WindowId::Zoom) return;
    const size_t slot = CursorState::Slot(window);
    int64_t span = 0, first = 0;
    WindowSpan(model, window, span, first);
    const ViewArea& a = model.Area(window);
    (left ? model.cursors.mesColumn : model.cursors.refColumn)[slot].reset();
    (left ? model.cursors.mes : model.cursors.ref)[slot] = SampleAtColumn(a, span, first, x);
    if (!press) return;
    const int trace = TraceUnderPointer(plane, a.windowX + x, a.windowY + y - 36, model.palette.LabelColourOffset());
    (left ? model.cursors.mesTrace : model.cursors.refTrace) = trace;
}

}  // namespace kivelo
