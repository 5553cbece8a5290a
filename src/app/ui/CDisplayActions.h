#pragma once
// What the panels and dialogs of the display windows may ask of the frame.
// The frame implements it; panel tests use a recording stand-in.
#include <cstdint>

#include "display/DisplayModel.h"
#include "wavefile/CWaveFile.h"

namespace kivelo::app {

class CUiSeam;

// Windows to draw at once, as bits of 1 << WindowId.
using WindowMask = uint32_t;
constexpr WindowMask MaskOf(WindowId w) { return 1u << static_cast<uint32_t>(w); }
inline constexpr WindowMask kAllWindows = 0xF;

class CDisplayActions {
public:
    virtual ~CDisplayActions() = default;
    virtual DisplayModel& Model() = 0;
    // The open document's reader; null without one.
    virtual CWaveFile* File() = 0;
    // Places the windows again (after a shown flag changed); force moves every window.
    virtual void LayOutWindows(bool force) = 0;
    // The 24-trace "More" dialog for the Main or Zoom window's on/off table;
    // true when OK changed it (the caller marks the change).
    virtual bool OpenTraceSelection(WindowId window) = 0;
    virtual CUiSeam& Ui() = 0;
    // Opens the scale dialog modally for a trace of the Main window (a double
    // click on its W button); nothing for a trace without a range to set.
    virtual void OpenScaleDialogFor(int /*trace*/) {}
};

}  // namespace kivelo::app
