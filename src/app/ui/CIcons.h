#pragma once
// The program's icons, drawn in code so that they stay sharp at every size and
// screen scale.
#include <QIcon>

class QPainter;
class QRectF;

namespace kivelo::app {

enum class IconId {
    // Toolbar panel, GRATICULE group: graticule styles 0, 1, 2 (buttons 1005, 1006, 1009).
    GraticuleDots,   // style 0: dot grid
    GraticuleTicks,  // style 1: division ticks on the edges
    GraticuleCross,  // style 2: centre lines with ticks
    // Toolbar panel, MOUSE CONTROL group: modes 0..3 (buttons 1010, 1011, 1012, 1013).
    MouseCursors,        // mode 0: the mouse sets the cursors
    MouseCursorsHidden,  // mode 1: cursors follow the mouse but are not drawn
    MouseMove,           // mode 2: vertical move of a trace
    MouseZoom,           // mode 3: vertical zoom of a trace (left in, right out)
    LightMode,           // light mode check box (1014)
    Snapshot,            // snapshot check box (1015)
    // Zoom window, AUTO ROLL group (buttons 1006, 1009, 1018).
    RollStart,  // roll toward the start
    RollStop,   // stop rolling
    RollEnd,    // roll toward the end
    // Zoom window, the arrow buttons beside the ratio list.
    ZoomRatioIn,   // 1052: next list entry, fewer points, higher magnification
    ZoomRatioOut,  // 1053: previous list entry, more points
    // History window, "Size" group (buttons 1051, 1052, 1053).
    HistorySmall,   // 1051: 72 x 48 thumbnails
    HistoryMedium,  // 1052: 100 x 80
    HistoryLarge,   // 1053: 200 x 160
};
inline constexpr int kIconCount = static_cast<int>(IconId::HistoryLarge) + 1;

// The icon; it paints itself at whatever size and device pixel ratio is asked
// for, and lists 16, 24, 32, 48, 64 and 128 px as its sizes. Line art takes the
// application palette's button text colour; disabled icons are greyed.
QIcon KiveloIcon(IconId id);

// The program's own icon (window icon, About box): a dark instrument screen
// with a green trace.
QIcon ProgramIcon();

// Paints the image into rect (square) with the given line colour; used by the
// icons above and usable for previews.
void PaintKiveloIcon(QPainter& painter, const QRectF& rect, IconId id, const QColor& line);
void PaintProgramIcon(QPainter& painter, const QRectF& rect);

}  // namespace kivelo::app
