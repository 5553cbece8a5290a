#include "display/ViewNavigation.h"

#include <algorithm>
#include <cmath>

namespace kivelo {
namespace {

int64_t StartOf(const ZoomController& zoom, int64_t recordLength) { return zoom.ReadPlan(recordLength).start; }

}  // namespace

double SampleAtColumn(const ViewArea& area, int64_t span, int64_t first, double x) {
    const double aw = std::max<int>(area.areaWidth, 1);
    const double cx = std::clamp(x - area.areaX, 0.0, aw);
    return cx / aw * static_cast<double>(span) + static_cast<double>(first);
}

int ColumnOfSample(const ViewArea& area, int64_t span, int64_t first, double sample) {
    if (span <= 0) return area.areaX;
    const double cx = (sample - static_cast<double>(first)) / static_cast<double>(span) * area.areaWidth;
    // A hair up, so that a column turned into a sample comes back as itself.
    const double column = std::floor(std::clamp(cx, 0.0, static_cast<double>(area.areaWidth)) + 1e-6);
    return area.areaX + static_cast<int>(column);
}

bool WheelZoom(ZoomController& zoom, int64_t recordLength, double anchor, bool in) {
    if (recordLength <= 0) return false;
    const double span = static_cast<double>(zoom.SpanOf(recordLength));
    const double start = static_cast<double>(StartOf(zoom, recordLength));
    double fraction = 0.5;
    if (anchor >= start && anchor <= start + span && span > 0) fraction = (anchor - start) / span;
    const bool moved = in ? zoom.SelectNext(recordLength) : zoom.SelectPrevious(recordLength);
    if (!moved) return false;
    const double after = static_cast<double>(zoom.SpanOf(recordLength));
    zoom.SetStart(static_cast<int64_t>(std::llround(anchor - fraction * after)), recordLength);
    return true;
}

bool ScrollTenths(ZoomController& zoom, int64_t recordLength, int tenths) {
    const int64_t step = std::max<int64_t>(zoom.SpanOf(recordLength) / 10, 1);
    return MoveBySamples(zoom, recordLength, step * tenths);
}

bool MoveBySamples(ZoomController& zoom, int64_t recordLength, int64_t samples) {
    if (recordLength <= 0 || samples == 0) return false;
    const int64_t unit = zoom.StartUnit();
    int64_t units = samples / unit;
    if (units == 0) units = samples > 0 ? 1 : -1;
    const int64_t before = StartOf(zoom, recordLength);
    zoom.SetStart(std::max<int64_t>(before + units * unit, 0), recordLength);
    return StartOf(zoom, recordLength) != before;
}

int64_t ColumnStep(const ZoomController& zoom, const ViewArea& zoomArea, int64_t recordLength) {
    const int64_t unit = zoom.StartUnit();
    const double column = static_cast<double>(zoom.SpanOf(recordLength)) / std::max<int>(zoomArea.areaWidth, 1);
    return std::max<int64_t>(std::llround(column / static_cast<double>(unit)), 1) * unit;
}

bool SelectStretch(ZoomController& zoom, int64_t recordLength, double from, double to) {
    if (recordLength <= 0 || zoom.RatioTexts().empty()) return false;
    if (from > to) std::swap(from, to);
    const double wanted = std::max(to - from, 1.0);
    const auto& table = ZoomController::Table();
    uint32_t best = 0;
    double bestDistance = INFINITY;
    for (uint32_t i = 0; i < zoom.RatioTexts().size(); ++i) {
        const size_t row = std::min<size_t>(zoom.FirstRow() + i, table.size() - 1);
        const double distance = std::fabs(std::log(static_cast<double>(table[row].points) / wanted));
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    if (!zoom.SelectZoomRatio(best, recordLength)) return false;
    const double span = static_cast<double>(zoom.SpanOf(recordLength));
    zoom.SetStart(static_cast<int64_t>(std::llround((from + to) / 2.0 - span / 2.0)), recordLength);
    return true;
}

}  // namespace kivelo
