#pragma once
// The drawing passes the Main, Zoom, History and XY windows share: one
// record's traces loaded (when stale) and rasterised, and the snapshot traces.
#include <cstdint>
#include <span>
#include <vector>

#include "display/DisplayModel.h"
#include "display/RenderCache.h"
#include "wavefile/CWaveFile.h"

namespace kivelo {

// Which display points a window reads.
struct PointPlan {
    int64_t start = 0;
    int points = 0;
    int32_t step = 512;
    int spanIntervals = 0;  // as for BuildEnvelope
};

// Plan of the Main window: at most 2000 points over the whole record.
PointPlan MainPointPlan(int64_t recordLength);
// Plan of the Zoom window for its current stretch.
PointPlan ZoomPointPlan(const ZoomController& zoom, int64_t recordLength);

// The envelope reads of the plans, as LoadDisplayPoints makes them for a record of
// this length, so the waveform model can prepare for them (ExpectEnvelopeReads).
std::vector<EnvelopeRead> ReadsOfPlans(std::span<const PointPlan> plans, int64_t recordLength);

// Switches on the traces of `set` (one of the cache's drawn sets) whose table
// value is 1, gives them position slots 0, 1, 2, ..., makes sure they hold
// `record`'s points of the plan and rasterises them into the cache's plane.
// Returns the number of traces drawn. Points read are kept in `points`, and
// taken from it when there, if one is given.
int DrawRecordPass(const DisplayModel& model, RenderCache& cache, CWaveFile& file, TraceSet& set,
                   const OnOffTable& table, const ViewArea& area, int record, const PointPlan& plan, bool draw = true,
                   PointCache* points = nullptr);
// Makes sure one trace holds `record`'s points of the plan (taken from another
// drawn set of the cache that holds them, if one does).
void EnsurePoints(const DisplayModel& model, const RenderCache& cache, CWaveFile& file, DisplayTrace& trace,
                  const OnOffTable& table, int index, int record, const PointPlan& plan, PointCache* points = nullptr);
// Draws the snapshot traces that are on, with position slots from 0.
void DrawSnapshotPass(RasterPlane& plane, TraceSet& snapshot, const ViewArea& area, const PointPlan& plan);
// The Main or Zoom window's traces: overlaid history records, then the current
// record, then the snapshot; points read are kept in `points`, and taken from
// it, if one is given.
void DrawAllPasses(const DisplayModel& model, RenderCache& cache, CWaveFile& file, WindowId window,
                   const OnOffTable& table, const ViewArea& area, const PointPlan& plan, PointCache* points = nullptr);

}  // namespace kivelo
