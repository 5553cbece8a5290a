#include "display/TracePasses.h"

#include <algorithm>
#include <vector>

#include "common/TwoThreads.h"
#include "display/DisplayPointLoader.h"
#include "display/TraceRasterizer.h"

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

std::vector<EnvelopeRead> ReadsOfPlans(std::span<const PointPlan> plans, int64_t recordLength) {
    std::vector<EnvelopeRead> reads;
    for (const PointPlan& plan : plans) {
        const int64_t count = std::min<int64_t>(int64_t{plan.points} * plan.step / 512, recordLength - plan.start);
        if (plan.points > 0 && count > 0) reads.push_back({plan.step, plan.start, count, kWidth2});
    }
    return reads;
}

namespace {

// Another set's copy of the trace that holds exactly these points: the Zoom
// window at x1 and the XY window show what Main read.
const DisplayTrace* HolderOf(const RenderCache& cache, const DisplayTrace& trace, int index, const LoadKey& key) {
    for (const WindowId w : {WindowId::Main, WindowId::Zoom, WindowId::History}) {
        const DisplayTrace& t = cache.Drawn(w)[index];
        if (&t != &trace && t.loaded == key && t.pointCount > 0 && t.bytesPerSample == trace.bytesPerSample &&
            t.isSigned == trace.isSigned) {
            return &t;
        }
    }
    return nullptr;
}

LoadKey KeyOf(const DisplayModel& model, const OnOffTable& table, int index, int record, const PointPlan& plan) {
    return {model.document.generation, record, plan.start, plan.step, plan.points, ChannelOf(table, index)};
}

// Samples a trace's points must cover before its points are read beside another's.
constexpr int64_t kReadApartFrom = int64_t{1} << 20;

// The points of the shown traces that no window holds and the cache has not kept,
// read on two threads when the file's work may use two and they cover long
// stretches: each trace's from a summary of its own. The traces read are marked
// loaded and kept in the cache.
void ReadMissingPoints(const DisplayModel& model, const RenderCache& drawn, CWaveFile& file, TraceSet& set,
                       const OnOffTable& table, int record, const PointPlan& plan, PointCache* cache) {
    if (file.WorkThreads() < 2 || int64_t{plan.points} * plan.step / 512 < kReadApartFrom) return;
    std::vector<int> missing;
    for (int i = 0; i < kTraceCount; ++i) {
        DisplayTrace& t = set[i];
        const LoadKey key = KeyOf(model, table, i, record, plan);
        if (table[static_cast<size_t>(i)] != kTraceOn || t.loaded == key || HolderOf(drawn, t, i, key)) continue;
        if (cache && cache->Fetch(i, key, t)) {
            t.loaded = key;
            continue;
        }
        missing.push_back(i);
    }
    if (missing.size() < 2) return;
    const auto read = [&](size_t from) {
        for (size_t k = from; k < missing.size(); k += 2)
            LoadDisplayPoints(set[missing[k]], file, record, plan.step, plan.start, plan.points,
                              ChannelOf(table, missing[k]));
    };
    OnTwoThreads(file.WorkThreads(), read);
    for (const int i : missing) {
        const LoadKey key = KeyOf(model, table, i, record, plan);
        set[i].loaded = key;
        if (cache) cache->Keep(i, key, set[i]);
    }
}

}  // namespace

void EnsurePoints(const DisplayModel& model, const RenderCache& drawn, CWaveFile& file, DisplayTrace& trace,
                  const OnOffTable& table, int index, int record, const PointPlan& plan, PointCache* cache) {
    const LoadKey key = KeyOf(model, table, index, record, plan);
    if (trace.loaded == key) return;
    if (const DisplayTrace* holder = HolderOf(drawn, trace, index, key)) {
        const size_t count = std::min<size_t>(holder->pointCount, DisplayTrace::kMaxPoints);
        std::copy_n(holder->samples.begin(), count, trace.samples.begin());
        trace.pointCount = holder->pointCount;
    } else if (!cache || !cache->Fetch(index, key, trace)) {
        LoadDisplayPoints(trace, file, record, plan.step, plan.start, plan.points, key.channel);
        if (cache) cache->Keep(index, key, trace);
    }
    trace.loaded = key;
}

int DrawRecordPass(const DisplayModel& model, RenderCache& drawn, CWaveFile& file, TraceSet& set,
                   const OnOffTable& table, const ViewArea& area, int record, const PointPlan& plan, bool draw,
                   PointCache* cache) {
    ReadMissingPoints(model, drawn, file, set, table, record, plan, cache);
    int slot = 0;
    for (int i = 0; i < kTraceCount; ++i) {
        DisplayTrace& t = set[i];
        t.displayOn = table[static_cast<size_t>(i)] == kTraceOn ? 1 : 0;
        if (!t.displayOn) continue;
        t.positionSlot = static_cast<uint8_t>(slot++);
        EnsurePoints(model, drawn, file, t, table, i, record, plan, cache);
        if (draw) BuildAndDraw(drawn.plane, area, t, plan.spanIntervals);
    }
    return slot;
}

void DrawSnapshotPass(RasterPlane& plane, TraceSet& snapshot, const ViewArea& area, const PointPlan& plan) {
    int slot = 0;
    for (DisplayTrace& t : snapshot) {
        if (!t.displayOn) continue;
        t.positionSlot = static_cast<uint8_t>(slot++);
        BuildAndDraw(plane, area, t, plan.spanIntervals);
    }
}

void DrawAllPasses(const DisplayModel& model, RenderCache& drawn, CWaveFile& file, WindowId window,
                   const OnOffTable& table, const ViewArea& area, const PointPlan& plan, PointCache* cache) {
    const DisplayDocument& doc = model.document;
    if (cache) cache->Resize(RenderCache::kRecentRecords);
    TraceSet& set = drawn.Drawn(model, window);
    set.ApplyColourAssignment(!model.LightMode());  // the overlays' colours
    const int records = std::min<int>(doc.recordCount, DisplayDocument::kMaxRecords);
    for (int r = 0; r < records; ++r) {
        if (doc.overlayMarks[static_cast<size_t>(r)] == 1 && r != doc.currentRecord) {
            DrawRecordPass(model, drawn, file, set, table, area, r, plan);
        }
    }
    set.ApplyColourAssignment(model.LightMode());
    DrawRecordPass(model, drawn, file, set, table, area, doc.currentRecord, plan, true, cache);
    if (TraceSet* snapshot = drawn.Snapshot(model, window)) DrawSnapshotPass(drawn.plane, *snapshot, area, plan);
}

}  // namespace kivelo
