#pragma once
// What drawing produces and keeps between draws: the plane the windows are
// rasterised into, the points each trace set last read, the recent records'
// points, the XY figure, the snapshot traces and where the zoom frame was last
// drawn. Whoever owns the display model owns one beside it; drawing reads the
// model and writes only here.
#include <cstdint>

#include "display/DisplayModel.h"
#include "display/PointCache.h"
#include "display/RasterPlane.h"
#include "display/TraceSet.h"
#include "display/XyFigureCache.h"

namespace kivelo {

// Columns of the zoom frame last drawn in the Main window (-1: none).
struct ZoomFrameMark {
    int x1 = -1;
    int x2 = -1;
};

class RenderCache {
public:
    // Records of the Main and Zoom windows whose points are kept, so that going
    // back to one of them reads nothing.
    static constexpr int kRecentRecords = 16;

    RasterPlane plane;
    PointCache historyPoints;  // points of the thumbnails last drawn
    PointCache mainPoints;
    PointCache zoomPoints;
    XyFigureCache xyFigure;  // the XY figure of a long range, drawn once
    ZoomFrameMark zoomFrame;

    // Catches up with the model before a draw: forgets the points when the
    // model's points were invalidated, and takes the snapshot the model asked
    // for from the traces as last drawn.
    void Follow(const DisplayModel& model);
    // The model's Main, Zoom or History trace set as drawn: its attributes as
    // the model has them now, its points, slots and colours as drawing left them.
    TraceSet& Drawn(const DisplayModel& model, WindowId set);
    const TraceSet& Drawn(WindowId set) const;
    // The Main or Zoom window's snapshot traces; null while the snapshot is off.
    TraceSet* Snapshot(const DisplayModel& model, WindowId window);

private:
    TraceSet main_{WindowId::Main};
    TraceSet zoom_{WindowId::Zoom};
    TraceSet history_{WindowId::History};
    TraceSet mainSnapshot_{WindowId::Main};
    TraceSet zoomSnapshot_{WindowId::Zoom};
    uint64_t pointsEpoch_ = 0;
    uint64_t snapshots_ = 0;
};

}  // namespace kivelo
