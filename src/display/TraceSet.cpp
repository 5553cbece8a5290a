#include "display/TraceSet.h"

#include <algorithm>

#include "display/ColourCode.h"

namespace kivelo {

int ChannelOf(const OnOffTable& table, int index) {
    if (index < 0 || index >= kTraceCount || table[static_cast<size_t>(index)] > kTraceOn) return -1;
    int channel = 0;
    for (int i = 0; i < index; ++i) {
        if (table[static_cast<size_t>(i)] <= kTraceOn) ++channel;
    }
    return channel;
}

TraceSet::TraceSet(WindowId area) {
    for (int i = 0; i < kTraceCount; ++i) {
        DisplayTrace& t = traces_[static_cast<size_t>(i)];
        t.traceNumber = static_cast<uint8_t>(i);
        t.positionSlot = static_cast<uint8_t>(i);
        t.viewArea = area;
        t.xTrace = 0;
    }
    ApplyColourAssignment(false);
}

uint32_t TraceSet::ColourCodeFor(int index, bool alternative) {
    const uint32_t code = static_cast<uint32_t>(std::min(index, 14)) + 1;
    return alternative ? code + 16 : code;
}

void TraceSet::ApplyColourAssignment(bool alternative) {
    for (int i = 0; i < kTraceCount; ++i) traces_[static_cast<size_t>(i)].colour = ColourCodeFor(i, alternative);
}

void TraceSet::TakeSnapshotOf(const TraceSet& live) {
    traces_ = live.traces_;
    for (DisplayTrace& t : traces_) t.colour = colour_code::kHighlight;
}

void TraceSet::SwitchAllOff() {
    for (DisplayTrace& t : traces_) t.displayOn = 0;
}

void TraceSet::SetViewArea(WindowId area) {
    for (DisplayTrace& t : traces_) t.viewArea = area;
}

void TraceSet::SetXTrace(int index) {
    const uint8_t x = static_cast<uint8_t>(std::clamp(index, 0, kTraceCount - 1));
    for (DisplayTrace& t : traces_) t.xTrace = x;
}

void TraceSet::InvalidatePoints() {
    for (DisplayTrace& t : traces_) t.loaded = LoadKey{};
}

}  // namespace kivelo
