#pragma once
// The drawing passes the Main, Zoom, History and XY windows share: one
// record's traces loaded (when stale) and rasterised, and the snapshot traces.
#include <cstdint>
#include <span>
#include <vector>

#include "display/DisplayModel.h"
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

// Switches on the traces whose table value is 1, gives them position slots
// 0, 1, 2, ..., makes sure they hold `record`'s points of the plan and
// rasterises them. Returns the number of traces drawn. Points read are kept
// in `cache`, and taken from it when there, if one is given.
int DrawRecordPass(DisplayModel& model, CWaveFile& file, TraceSet& set, const OnOffTable& table, const ViewArea& area,
                   int record, const PointPlan& plan, bool draw = true, PointCache* cache = nullptr);
// Makes sure one trace holds `record`'s points of the plan.
void EnsurePoints(DisplayModel& model, CWaveFile& file, DisplayTrace& trace, const OnOffTable& table, int index,
                  int record, const PointPlan& plan, PointCache* cache = nullptr);
// Draws the snapshot traces that are on, with position slots from 0.
void DrawSnapshotPass(DisplayModel& model, TraceSet& snapshot, const ViewArea& area, const PointPlan& plan);
// Overlaid history records, then the current record, then the snapshot; points
// read are kept in `cache`, and taken from it, if one is given.
void DrawAllPasses(DisplayModel& model, CWaveFile& file, TraceSet& set, TraceSet& snapshot, const OnOffTable& table,
                   const ViewArea& area, const PointPlan& plan, PointCache* cache = nullptr);

}  // namespace kivelo
