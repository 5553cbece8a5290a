#pragma once
// Which windows no longer show what the model holds. The model is marked when
// it changes; the frame draws the marked windows in the order Main, Zoom,
// History, XY and clears the marks: at the end of the event for what the user
// just did (a 10 ms roll step must not wait), on its 70 ms timer for layouts
// and looks, which come in bursts.
#include <atomic>
#include <cstdint>
#include <functional>

#include "display/ViewArea.h"

namespace kivelo {

// Kinds of change to the display model; each shows in the windows WindowsOf names.
enum class ModelChange : uint8_t {
    Palette,      // light or dark
    Graticule,    // style or vertical divisions of the Main, Zoom and XY areas
    Snapshot,     // the snapshot traces taken or dropped
    MouseMode,    // which cursors and marks show
    Layout,       // windows shown, hidden or placed
    MainTraces,   // on/off, split or colours of the Main window's traces
    ZoomTraces,   // the same for the Zoom window
    TraceRange,   // a trace's vertical range
    ZoomStretch,  // the Zoom window's position or ratio
    MainCursors,
    ZoomCursors,
    Records,       // the current record or the overlay marks
    HistoryCells,  // which records the History window shows
    XyFigure,      // the XY window's X trace or range
};

struct ChangeRedraw {
    uint32_t windows;  // bits of 1 << WindowId
    bool atOnce;       // false: coalesced on the 70 ms timer
};
ChangeRedraw RedrawOf(ModelChange change);

class RedrawMarks {
public:
    RedrawMarks() = default;
    // A copy of a model (the open's worker binds one) has no marks and tells
    // no one; a model given a copy's state keeps its own marks and listener.
    RedrawMarks(const RedrawMarks&) {}
    RedrawMarks& operator=(const RedrawMarks&) { return *this; }

    void Mark(ModelChange change);
    void MarkWindows(uint32_t windows, bool atOnce);
    // All four windows: after a command's dialog is cancelled or its work ends.
    void MarkAll(bool atOnce);
    uint32_t Pending() const { return dirty_.load(); }
    // The marked windows; the marks are cleared.
    uint32_t Take() { return dirty_.exchange(0); }
    // Told after every mark, with its atOnce (the frame schedules its drawing there).
    void SetListener(std::function<void(bool)> listener) { listener_ = std::move(listener); }

private:
    // Marks may come from any thread; only the window's thread draws.
    std::atomic<uint32_t> dirty_{0};
    std::function<void(bool)> listener_;
};

}  // namespace kivelo
