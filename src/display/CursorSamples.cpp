#include "display/CursorSamples.h"

#include <algorithm>
#include <cmath>

#include "display/ViewNavigation.h"

namespace kivelo {
namespace {

double& Stored(DisplayModel& m, WindowId w, bool mes) {
    const size_t slot = CursorState::Slot(w);
    return (mes ? m.cursors.mes : m.cursors.ref)[slot];
}

std::optional<int>& Pending(DisplayModel& m, WindowId w, bool mes) {
    const size_t slot = CursorState::Slot(w);
    return (mes ? m.cursors.mesColumn : m.cursors.refColumn)[slot];
}

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

double ShownCursorSample(const DisplayModel& model, WindowId window, bool mes) {
    int64_t span = 0, first = 0;
    WindowSpan(model, window, span, first);
    const size_t slot = CursorState::Slot(window);
    const std::optional<int>& column = (mes ? model.cursors.mesColumn : model.cursors.refColumn)[slot];
    if (column) return SampleAtColumn(model.Area(window), span, first, *column);
    const double sample = (mes ? model.cursors.mes : model.cursors.ref)[slot];
    return std::clamp(sample, static_cast<double>(first), static_cast<double>(first + span));
}

void ResolveCursorColumns(DisplayModel& model, WindowId window) {
    for (const bool mes : {true, false}) {
        std::optional<int>& column = Pending(model, window, mes);
        if (!column) continue;
        Stored(model, window, mes) = ShownCursorSample(model, window, mes);
        column.reset();
    }
}

CursorSamples CursorsOf(const DisplayModel& model, WindowId window) {
    CursorSamples c;
    c.mes = ShownCursorSample(model, window, true);
    c.ref = ShownCursorSample(model, window, false);
    const int64_t L = model.document.recordLength;
    if (L <= 0) return c;
    const auto whole = [L](double s) {
        return std::clamp<int64_t>(static_cast<int64_t>(std::floor(s + 1e-9)), 0, L - 1);
    };
    c.first = whole(std::min(c.mes, c.ref));
    c.last = whole(std::max(c.mes, c.ref));
    return c;
}

void NudgeCursor(DisplayModel& model, WindowId window, bool mes, int columns) {
    ResolveCursorColumns(model, window);
    int64_t span = 0, first = 0;
    WindowSpan(model, window, span, first);
    const double perColumn = static_cast<double>(span) / std::max<int>(model.Area(window).areaWidth, 1);
    const double moved = ShownCursorSample(model, window, mes) + columns * perColumn;
    Stored(model, window, mes) = std::clamp(moved, static_cast<double>(first), static_cast<double>(first + span));
}

bool SetCursorTime(DisplayModel& model, WindowId window, bool mes, double t) {
    const HorzInfo& h = model.document.horz;
    const int64_t L = model.document.recordLength;
    if (L <= 0 || !(h.HResolution > 0) || !std::isfinite(t)) return false;
    const double sample = (t - h.HOffset) / h.HResolution;
    if (sample < -1e-9 || sample > static_cast<double>(L) + 1e-9) return false;
    Pending(model, window, mes).reset();
    Stored(model, window, mes) = std::clamp(sample, 0.0, static_cast<double>(L));
    return true;
}

}  // namespace kivelo
