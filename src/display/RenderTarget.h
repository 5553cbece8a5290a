#pragma once
// Everything a window renderer draws from and into: it reads the model and
// writes only the render cache and the painter.
#include "display/DisplayModel.h"
#include "display/DisplayPainter.h"
#include "display/RenderCache.h"
#include "display/TextMetrics.h"
#include "wavefile/CWaveFile.h"

namespace kivelo {

// Height of the control panel at the top of every display window.
inline constexpr int kWindowPanelHeight = 36;
inline constexpr int kMinFrameWidth = 540;
inline constexpr int kMinFrameHeight = 400;

struct RenderTarget {
    const DisplayModel& model;
    RenderCache& cache;
    CWaveFile* file;          // the open document's model; null without one
    DisplayPainter& painter;  // the window's whole client area
    TextMetrics metrics;
    int frameWidth = 1280;
    int frameHeight = 1024;

    int ClientWidth() const { return painter.Width(); }
    // Client height below the panel.
    int PlotHeight() const { return painter.Height() - kWindowPanelHeight; }
    bool FrameLargeEnough() const { return frameWidth >= kMinFrameWidth && frameHeight >= kMinFrameHeight; }
    bool HasDocument() const { return file != nullptr && model.document.loaded; }
    int LineHeight() const { return metrics.LineHeight(); }
};

// Common start of a window draw: the cache catches up with the model and the
// window's plane rectangle (placed by PlaceWindow) is cleared. Without a
// document the client area below the panel is filled with the background
// instead and false says there is nothing more.
bool BeginWindowDraw(const RenderTarget& target, const ViewArea& area);

}  // namespace kivelo
