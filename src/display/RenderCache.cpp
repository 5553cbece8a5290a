#include "display/RenderCache.h"

namespace kivelo {
namespace {

const TraceSet& LiveSet(const DisplayModel& m, WindowId set) {
    switch (set) {
    case WindowId::Zoom: return m.zoomSet;
    case WindowId::History: return m.historySet;
    default: return m.mainSet;
    }
}

// Everything the model decides about a trace; points, slot, colour and
// column counts are drawing's own.
void TakeAttributes(DisplayTrace& drawn, const DisplayTrace& t) {
    drawn.traceNumber = t.traceNumber;
    drawn.logic = t.logic;
    drawn.bitCount = t.bitCount;
    drawn.bitOrder = t.bitOrder;
    drawn.bytesPerSample = t.bytesPerSample;
    drawn.isSigned = t.isSigned;
    drawn.verticalPosition = t.verticalPosition;
    drawn.verticalZoom = t.verticalZoom;
    drawn.gain = t.gain;
    drawn.offset = t.offset;
    drawn.name = t.name;
    drawn.unit = t.unit;
    drawn.viewArea = t.viewArea;
    drawn.xTrace = t.xTrace;
}

}  // namespace

void RenderCache::Follow(const DisplayModel& model) {
    if (pointsEpoch_ != model.PointsEpoch()) {
        pointsEpoch_ = model.PointsEpoch();
        for (TraceSet* set : {&main_, &zoom_, &history_}) set->InvalidatePoints();
        for (PointCache* cache : {&historyPoints, &mainPoints, &zoomPoints}) cache->Clear();
    }
    if (snapshots_ != model.SnapshotsTaken()) {
        snapshots_ = model.SnapshotsTaken();
        mainSnapshot_.TakeSnapshotOf(Drawn(model, WindowId::Main));
        zoomSnapshot_.TakeSnapshotOf(Drawn(model, WindowId::Zoom));
    }
}

TraceSet& RenderCache::Drawn(const DisplayModel& model, WindowId set) {
    TraceSet& drawn = set == WindowId::Zoom ? zoom_ : set == WindowId::History ? history_ : main_;
    const TraceSet& live = LiveSet(model, set);
    for (int i = 0; i < kTraceCount; ++i) TakeAttributes(drawn[i], live[i]);
    return drawn;
}

const TraceSet& RenderCache::Drawn(WindowId set) const {
    return set == WindowId::Zoom ? zoom_ : set == WindowId::History ? history_ : main_;
}

TraceSet* RenderCache::Snapshot(const DisplayModel& model, WindowId window) {
    if (!model.Snapshot()) return nullptr;
    return window == WindowId::Zoom ? &zoomSnapshot_ : &mainSnapshot_;
}

}  // namespace kivelo
