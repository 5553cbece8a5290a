#pragma once
// Mouse input of the display windows: label clicks open the scale dialog,
// the zoom start time opens the zoom position dialog, the zoom frame can be
// dragged in the Main window, and the mouse control mode decides the rest
// (cursors, hidden cursors, vertical move, vertical zoom). The shell turns
// the outcome into redraws and dialogs.
#include <cstdint>
#include <optional>
#include <string>

#include "display/DisplayModel.h"
#include "display/RenderCache.h"

namespace kivelo {

enum class MouseButton { Left, Right, Middle };
enum class MouseAction { Press, Move, Release };

struct MouseInput {
    WindowId window = WindowId::Main;
    int x = 0;  // window client coordinates (the panel is the top 36 rows)
    int y = 0;
    MouseAction action = MouseAction::Press;
    MouseButton button = MouseButton::Left;
    bool ctrl = false;  // Ctrl held: a left drag in Main selects a stretch
};

// A turn of the wheel over a Main or Zoom window: `notches` away from the
// user zoom in (negative: out); with `scroll` (Shift, or a horizontal wheel)
// the notches move the Zoom stretch instead, a tenth of its width each.
struct WheelInput {
    WindowId window = WindowId::Main;
    int x = 0;
    int y = 0;
    int notches = 0;
    bool scroll = false;
};

struct MouseContext {
    int lineHeight = 12;
    int frameWidth = 1280;
    int frameHeight = 1024;
};

struct ScaleRequest {
    int trace = kNoTrace;
    int x = 0;  // where the pointer was, window coordinates
    int y = 0;
    std::string name;
    std::string upper;  // band values, 3 digits, no unit
    std::string lower;
};

struct ZoomPositionRequest {
    int x = 0;
    int y = 0;
    std::string text;  // current zoom start time
};

struct MouseOutcome {
    uint32_t redraw = 0;   // windows to draw now, bits 1 << WindowId, in the order Main, Zoom, History, XY
    uint32_t cursors = 0;  // windows whose cursors alone moved (a cheaper repaint)
    // While the zoom frame is dragged only the frame moves: samples start .. end.
    std::optional<std::pair<int64_t, int64_t>> zoomFrame;
    std::optional<ScaleRequest> scale;
    std::optional<ZoomPositionRequest> zoomPosition;
    // While a stretch is selected in Main: the window columns from .. to.
    std::optional<std::pair<int, int>> selection;
};

class MouseHandler {
public:
    // `drawn`: what the windows show (traces under the pointer, the zoom frame).
    MouseOutcome Handle(DisplayModel& model, const RenderCache& drawn, const MouseInput& in,
                        const MouseContext& context);
    bool Dragging() const { return drag_ != Drag::None; }
    // Wheel zoom and scroll of the Zoom stretch (the previous one kept for "back").
    static MouseOutcome Wheel(DisplayModel& model, const WheelInput& in, const MouseContext& context);

private:
    enum class Drag { None, ZoomFrame, Cursor, Move, Select };
    MouseOutcome Press(DisplayModel& model, const RenderCache& drawn, const MouseInput& in,
                       const MouseContext& context);
    MouseOutcome Move(DisplayModel& model, const RenderCache& drawn, const MouseInput& in);
    MouseOutcome Release(DisplayModel& model, const MouseInput& in);

    Drag drag_ = Drag::None;
    WindowId dragWindow_ = WindowId::Main;
    MouseButton dragButton_ = MouseButton::Left;
    int pressX_ = 0;
    int lastY_ = 0;
    int movedTrace_ = kNoTrace;
    double dragPosition_ = 0.0;
};

// Selects a trace of the Main window for the scale dialog and says what the
// dialog shows; none for a trace the document lacks or a logic trace.
std::optional<ScaleRequest> SelectForScale(DisplayModel& model, int trace);

// Physical time of the zoom stretch's first sample as the zoom position dialog shows it.
std::string ZoomStartText(const DisplayModel& model);

}  // namespace kivelo
