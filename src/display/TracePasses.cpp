#include "TracePasses.h"

#include <algorithm>

#include "DisplayPointLoader.h"
#include "TraceRasterizer.h"

namespace kivelo {

PointPlan MainPointPlan(int64_t recordLength) {
    PointPlan plan;
    plan.points = static_cast<int>(std::clamp<int64_t>(recordLength, 0, 2000));
    plan.step = DisplayStepCode(recordLength, plan.points);
    return plan;
}

PointPlan ZoomPointPlan(const ZoomController& zoom, int64_t recordLength) {
    const ZoomReadPlan z = zoom.ReadPlan(recordLength);
    PointPlan plan;
    plan.start = z.start;
    plan.points = z.points;
    plan.step = z.step;
    // Narrow zooms read two points more than they span; wide ones read exact pairs.
    plan.spanIntervals = z.points < 2000 || z.step == 512 ? static_cast<int>(std::max<int64_t>(z.width, 1)) : 0;
    return plan;
}

void EnsurePoints(DisplayModel& model, CWaveFile& file, DisplayTrace& trace, const OnOffTable& table, int index,
                  int record, const PointPlan& plan) {
    const LoadKey key{model.document.generation, record, plan.start, plan.step, plan.points};
    if (trace.loaded == key) return;
    file.SetBlock(record);
    LoadDisplayPoints(trace, file, plan.step, plan.start, plan.points, ChannelOf(table, index));
    trace.loaded = key;
}

int DrawRecordPass(DisplayModel& model, CWaveFile& file, TraceSet& set, const OnOffTable& table,
                   const ViewArea& area, int record, const PointPlan& plan, bool draw) {
    file.SetBlock(record);
    int slot = 0;
    for (int i = 0; i < kTraceCount; ++i) {
        DisplayTrace& t = set[i];
        t.displayOn = table[static_cast<size_t>(i)] == kTraceOn ? 1 : 0;
        if (!t.displayOn) continue;
        t.positionSlot = static_cast<uint8_t>(slot++);
        EnsurePoints(model, file, t, table, i, record, plan);
        if (draw) BuildAndDraw(model.plane, area, t, plan.spanIntervals);
    }
    return slot;
}

void DrawSnapshotPass(DisplayModel& model, TraceSet& snapshot, const ViewArea& area, const PointPlan& plan) {
    int slot = 0;
    for (DisplayTrace& t : snapshot) {
        if (!t.displayOn) continue;
        t.positionSlot = static_cast<uint8_t>(slot++);
        BuildAndDraw(model.plane, area, t, plan.spanIntervals);
    }
}

void DrawAllPasses(DisplayModel& model, CWaveFile& file, TraceSet& set, TraceSet& snapshot, const OnOffTable& table,
                   const ViewArea& area, const PointPlan& plan) {
    DisplayDocument& doc = model.document;
    model.ApplyColours(true);
    const int records = std::min<int>(doc.recordCount, DisplayDocument::kMaxRecords);
    for (int r = 0; r < records; ++r) {
        if (doc.overlayMarks[static_cast<size_t>(r)] == 1 && r != doc.currentRecord) {
            DrawRecordPass(model, file, set, table, area, r, plan);
        }
    }
    model.ApplyColours(false);
    DrawRecordPass(model, file, set, table, area, doc.currentRecord, plan);
    DrawSnapshotPass(model, snapshot, area, plan);
}

}  // namespace kivelo
