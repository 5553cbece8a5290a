#include "display/ZoomController.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kivelo {

const std::array<ZoomRatioRow, 25>& ZoomController::Table() {
    static const std::array<ZoomRatioRow, 25> table{{
        // clang-format off
        {512000000, "512M", 513024000}, {256000000, "256M", 256512000}, {128000000, "128M", 128256000},
        {64000000, " 64M", 64128000},   {32000000, " 32M", 32064000},   {16000000, " 16M", 16032000},
        {8000000, "  8M", 8016000},     {4000000, "  4M", 4008000},     {2000000, "  2M", 2004000},
        {1000000, "  1M", 1002000},     {500000, "500k", 501000},       {200000, "200k", 200400},
        {100000, "100k", 100200},       {50000, " 50k", 50100},         {20000, " 20k", 20040},
        {10000, " 10k", 10020},         {5000, "  5k", 5010},           {2000, "  2k", 2004},
        {1000, "  1k", 1002},           {500, " 500", 500},             {200, " 200", 200},
        {100, " 100", 100},             {50, " 50", 50},                {20, " 20", 20},
        // clang-format on
        {10, " 10", 10},
    }};
    return table;
}

ZoomController::ZoomController() { onOff.fill(kTraceAbsent); }

void ZoomController::FillZoomRatios(int64_t recordLength) {
    texts_.clear();
    firstRow_ = kFirstRowBeforeDocument;
    bool first = true;
    const auto& table = Table();
    for (uint32_t row = 0; row < table.size(); ++row) {
        if (table[row].threshold >= recordLength) continue;
        char text[48];
        std::snprintf(text, sizeof text, "x%lld (%.*sW)", static_cast<long long>(recordLength / table[row].threshold),
                      static_cast<int>(table[row].label.size()), table[row].label.data());
        texts_.emplace_back(text);
        if (first) firstRow_ = row;
        first = false;
    }
    selected_ = 0;
    position_ = 0.0;
    zoomStart_ = 0;
}

uint32_t ZoomController::ZoomWidth() const {
    const size_t row = std::min<size_t>(firstRow_ + selected_, Table().size() - 1);
    return Table()[row].points;
}

int64_t ZoomController::SpanOf(int64_t recordLength) const {
    return std::max<int64_t>(std::min<int64_t>(ZoomWidth(), recordLength), 0);
}

double ZoomController::MaxPosition(int64_t recordLength) const {
    if (recordLength <= 0) return 0.0;
    const double max = static_cast<double>(recordLength - SpanOf(recordLength)) / recordLength * kWhole;
    return std::max(max, 0.0);
}

int ZoomController::ScrollBarPos() const { return static_cast<int>(std::trunc(position_ * 1e-7)); }

bool ZoomController::SelectZoomRatio(uint32_t index, int64_t recordLength) {
    if (index >= texts_.size() || recordLength <= 0) return false;
    const double before = static_cast<double>(SpanOf(recordLength));
    selected_ = index;
    const double after = static_cast<double>(SpanOf(recordLength));
    position_ += (before - after) / (2.0 * recordLength) * kWhole;
    const double max = MaxPosition(recordLength);
    if (position_ > 0 && position_ >= max) position_ = max;
    if (position_ <= 0) position_ = 0;
    return true;
}

bool ZoomController::SelectNext(int64_t recordLength) {
    return selected_ + 1 < texts_.size() && SelectZoomRatio(selected_ + 1, recordLength);
}

bool ZoomController::SelectPrevious(int64_t recordLength) {
    return selected_ > 0 && SelectZoomRatio(selected_ - 1, recordLength);
}

double ZoomController::LineStep(int64_t recordLength) const {
    if (recordLength <= 0) return 0.0;
    const double span = static_cast<double>(ZoomWidth());
    double step = span >= 500 ? (kWhole / recordLength) * span * 0.002 : kWhole / recordLength;
    if (roll_ != RollMode::Stopped) step = speed_ >= kJump ? kWhole : step * speed_;
    return step;
}

void ZoomController::Clamp(int64_t recordLength) {
    const double max = MaxPosition(recordLength);
    if (position_ >= max) {
        position_ = max;
        if (roll_ == RollMode::TowardEnd) roll_ = RollMode::Stopped;
    }
    if (position_ <= 0) {
        position_ = 0;
        if (roll_ == RollMode::TowardStart) roll_ = RollMode::Stopped;
    }
}

void ZoomController::Scroll(ScrollCode code, int thumb, int64_t recordLength) {
    switch (code) {
    case ScrollCode::LineLeft: position_ -= LineStep(recordLength); break;
    case ScrollCode::LineRight: position_ += LineStep(recordLength); break;
    case ScrollCode::PageLeft: position_ -= 2e9; break;
    case ScrollCode::PageRight: position_ += 2e9; break;
    case ScrollCode::Thumb: position_ = thumb * 1e7; break;
    }
    Clamp(recordLength);
}

void ZoomController::StartRoll(RollMode mode) { roll_ = mode; }

bool ZoomController::Tick(int64_t recordLength) {
    if (roll_ == RollMode::Stopped) return false;
    Scroll(roll_ == RollMode::TowardEnd ? ScrollCode::LineRight : ScrollCode::LineLeft, 0, recordLength);
    return true;
}

bool ZoomController::SetZoomPosition(double t, double t0, double dt, int64_t recordLength) {
    if (recordLength <= 0 || !(dt > 0)) return false;
    const double position = (t - t0) / (dt * recordLength) * kWhole + 1.0;
    if (!(position > 0) || position > MaxPosition(recordLength)) return false;
    position_ = position;
    return true;
}

void ZoomController::SetPosition(double position, int64_t recordLength) {
    position_ = std::isfinite(position) ? position : 0.0;
    Clamp(recordLength);
}

void ZoomController::SetStart(int64_t start, int64_t recordLength) {
    if (recordLength <= 0) return;
    // A hair beyond the sample, so that the start read back truncates to it.
    const double position = static_cast<double>(std::max<int64_t>(start, 0)) / recordLength * kWhole;
    SetPosition(start > 0 ? position + 1.0 : 0.0, recordLength);
}

int64_t ZoomController::StartUnit() const {
    // Wide zooms start on a whole group of pairs, so the columns keep their pairs while
    // scrolling; a zoom of one display point per sample can start on any sample.
    const int64_t span = ZoomWidth();
    return span <= 2000 ? 1 : 4 * (span / 2000);
}

ZoomReadPlan ZoomController::ReadPlan(int64_t recordLength) const {
    ZoomReadPlan plan;
    const int64_t span = ZoomWidth();
    if (span <= 2000) {
        plan.step = 512;
        plan.points = static_cast<int>(std::max<int64_t>(span + 2, 12));
        plan.align = 1;
    } else {
        plan.step = static_cast<int32_t>(std::trunc(span * 0.256));
        plan.points = 2000;
        plan.align = span / 2000;
    }
    plan.width = SpanOf(recordLength);
    const double raw = std::trunc(static_cast<double>(recordLength) * position_ * 1e-11);
    const int64_t start = std::max<int64_t>(static_cast<int64_t>(raw), 0);
    plan.start = start - start % StartUnit();
    return plan;
}

}  // namespace kivelo
