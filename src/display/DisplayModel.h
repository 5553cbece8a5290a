#pragma once
// All display state of the application that the user's actions set: trace
// sets, view areas, the palette and the state of the window panels. The
// application owns one and passes it by reference; drawing only reads it (what
// drawing keeps lives in a RenderCache beside it).
#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "display/CursorState.h"
#include "display/DisplayDocument.h"
#include "display/DisplayPalette.h"
#include "display/HistoryState.h"
#include "display/RedrawMarks.h"
#include "display/TraceSet.h"
#include "display/ViewArea.h"
#include "display/WindowLayout.h"
#include "display/ZoomController.h"
#include "display/ZoomHistory.h"

namespace kivelo {

enum class MouseMode { Cursors = 0, CursorsHidden = 1, VerticalMove = 2, VerticalZoom = 3 };

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
    std::array<ViewArea, kWindowCount> areas{};
    DisplayPalette palette;

    OnOffTable mainOnOff{};
    int mainSplit = 1;
    DisplayDocument document;
    ZoomController zoom;
    ZoomHistory zoomHistory;  // earlier stretches, for "back"
    HistoryState history;
    CursorState cursors;
    XyState xy;
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
    // On: the next draw keeps the traces as last drawn as the snapshot; off: no snapshot is drawn.
    void SetSnapshot(bool on);
    bool Snapshot() const { return snapshot_; }
    void SetMouseMode(MouseMode mode);
    // A window shown or hidden by its toolbar button (the frame lays the windows out again).
    void SetShown(WindowId window, bool on);
    // Turns trace `index` of the Main or Zoom window on or off; false for a trace not in the file.
    bool ToggleTrace(WindowId window, int index);
    // The Main or Zoom window's split count, 1..maxSplit; false outside it.
    bool SetSplit(WindowId window, int count, int maxSplit);
    // The XY figure's X trace, an index into the "X-TRACE" list; false when outside it.
    bool SetXTrace(int index);
    // The XY figure's range follows the Main (or the Zoom) window.
    void SetXyRange(bool main);
    // The overlay marks of all records set or cleared.
    void SetAllOverlayMarks(bool on);
    void SetChaser(bool on);
    // Changes the Zoom window's stretch through `change` (given the record
    // length), after keeping the stretch for "back" when `remember`; marks the
    // redraw when `change` says it moved. False without a record or when nothing moved.
    bool ChangeZoom(bool remember, const std::function<bool(ZoomController&, int64_t)>& change);
    // Back to the stretch kept last.
    bool ZoomBack();
    // A History cell clicked: the left button makes its record the current one,
    // the right one toggles its overlay mark (not the current record's). False when nothing changed.
    bool ClickRecord(int record, bool left);
    // After the History window shows other records: with the chaser on, the
    // overlay marks and the current record follow them.
    void FollowChaser();
    // Snapshots asked for so far (the render cache takes each one once).
    uint64_t SnapshotsTaken() const { return snapshots_; }
    // Applies the primary (or alternative) colour assignment to the main, zoom
    // and history sets; the current record uses the alternative one in light mode.
    void ApplyColours(bool forOverlay);
    // Forgets which data every set holds: the next draw reads its points again.
    void InvalidatePoints() { ++pointsEpoch_; }
    uint64_t PointsEpoch() const { return pointsEpoch_; }
    // After a copy of this model was drawn and dropped (a failed or cancelled
    // open): the points the render cache keeps of it are not this model's.
    void ForgetPointsOf(const DisplayModel& copy) { pointsEpoch_ = std::max(pointsEpoch_, copy.pointsEpoch_) + 1; }

private:
    // With the chaser on, the overlay marks and the current record follow the shown records.
    bool ChaseRecords();

    bool snapshot_ = false;
    uint64_t snapshots_ = 0;
    uint64_t pointsEpoch_ = 0;
};

}  // namespace kivelo
