#pragma once
// All display state of the application: trace sets, view areas, the raster
// plane, the palette and the state of the window panels. The application owns
// one and passes it by reference.
#include <array>
#include <string>
#include <vector>

#include "display/CursorState.h"
#include "display/DisplayDocument.h"
#include "display/DisplayPalette.h"
#include "display/HistoryState.h"
#include "display/PointCache.h"
#include "display/RasterPlane.h"
#include "display/RedrawMarks.h"
#include "display/TraceSet.h"
#include "display/ViewArea.h"
#include "display/WindowLayout.h"
#include "display/XyFigureCache.h"
#include "display/ZoomController.h"
#include "display/ZoomHistory.h"

namespace kivelo {

enum class MouseMode { Cursors = 0, CursorsHidden = 1, VerticalMove = 2, VerticalZoom = 3 };

// Columns of the zoom frame last drawn in the Main window (-1: none).
struct ZoomFrameMark {
    int x1 = -1;
    int x2 = -1;
};

struct XyState {
    int xTrace = 0;
    bool rangeMain = true;
    std::vector<std::string> xTraceList;  // "X-TRACE" entries
};

class DisplayModel {
public:
    DisplayModel();

    TraceSet mainSet{WindowId::Main};
    TraceSet zoomSet{WindowId::Zoom};
    TraceSet historySet{WindowId::History};
    TraceSet mainSnapshot{WindowId::Main};
    TraceSet zoomSnapshot{WindowId::Zoom};
    std::array<ViewArea, kWindowCount> areas{};
    RasterPlane plane;
    DisplayPalette palette;

    OnOffTable mainOnOff{};
    int mainSplit = 1;
    DisplayDocument document;
    ZoomController zoom;
    ZoomHistory zoomHistory;  // earlier stretches, for "back"
    HistoryState history;
    PointCache historyPoints;  // points of the thumbnails last drawn
    // Points the Main and Zoom windows read for recent current records, so that
    // going back to one of them reads nothing.
    static constexpr int kRecentRecords = 16;
    PointCache mainPoints;
    PointCache zoomPoints;
    CursorState cursors;
    XyState xy;
    XyFigureCache xyFigure;  // the XY figure of a long range, drawn once
    ZoomFrameMark zoomFrame;
    MouseMode mouseMode = MouseMode::Cursors;
    int selectedTrace = kNoTrace;  // trace chosen for vertical scaling

    std::array<bool, kWindowCount> shown{true, true, true, true};
    LayoutShares shares;

    ViewArea& Area(WindowId w) { return areas[static_cast<size_t>(w)]; }
    const ViewArea& Area(WindowId w) const { return areas[static_cast<size_t>(w)]; }

    // Windows to draw again; the setters below mark what they change.
    RedrawMarks redraw;

    bool LightMode() const { return palette.Light(); }
    // Text colours, fixed colours and label offset follow.
    void SetLightMode(bool on);
    // Style 0..5 for the Main, Zoom and XY areas (History keeps its frame style).
    void SetGraticuleStyle(int style);
    // Main and Zoom get (10, v) divisions, XY (v, v).
    void SetVerticalDivisions(int v);
    // On: copies the live sets into the snapshot sets; off: switches the snapshot traces off.
    void SetSnapshot(bool on);
    bool Snapshot() const { return snapshot_; }
    void SetMouseMode(MouseMode mode);
    // A window shown or hidden by its toolbar button (the frame lays the windows out again).
    void SetShown(WindowId window, bool on);
    // Applies the primary (or alternative) colour assignment to the main, zoom
    // and history sets; the current record uses the alternative one in light mode.
    void ApplyColours(bool forOverlay);
    // Forgets which data every set holds.
    void InvalidatePoints();

private:
    bool snapshot_ = false;
};

}  // namespace kivelo
