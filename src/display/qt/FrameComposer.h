#pragma once
// Drawing the display windows into images: the program's live windows and
// the pictures of kivelo-cli render come from these same calls.
#include <QImage>

#include <array>
#include <string>

#include "display/DisplayModel.h"
#include "display/RenderCache.h"
#include "display/TextMetrics.h"
#include "display/WindowLayout.h"
#include "wavefile/CWaveFile.h"

namespace kivelo {

// Background of the control strips and the frame around the windows.
inline const QColor kPanelColour(212, 208, 200);

// Places the windows named in `windows` (bits 1 << WindowId) for their images
// (whole client areas, panel strip included) and draws them; a null image is
// skipped.
void RenderWindows(DisplayModel& model, RenderCache& cache, CWaveFile* file, std::array<QImage, kWindowCount>& images,
                   const TextMetrics& metrics, int frameWidth, int frameHeight, uint32_t windows = 0xF);

struct ComposedFrame {
    LayoutResult layout;
    std::array<QImage, kWindowCount> windows;  // null for a window without room
};

// Lays out a frame of the given size (frame coordinates from 0, 0), gives the
// model the layout and draws every window; each panel strip shows the
// window's name and the state its panel would show.
ComposedFrame ComposeWindows(DisplayModel& model, RenderCache& cache, CWaveFile* file, int frameWidth, int frameHeight,
                             const TextMetrics& metrics);

// The whole frame as one picture: caption line, toolbar panel outline and the windows.
QImage ComposeFramePicture(const ComposedFrame& frame, const std::string& caption, const TextMetrics& metrics,
                           int frameWidth, int frameHeight, int divisions);

}  // namespace kivelo
