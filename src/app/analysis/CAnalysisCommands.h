#pragma once
// The Analysis menu: the Measure and Spectrum windows, shown and hidden from it,
// their visibility kept in the user's profile.
#include "app/frame/CCommandModule.h"

namespace kivelo::app {

class CMeasureWindow;
class CFrequencyWindow;

class CAnalysisCommands : public CCommandModule {
public:
    explicit CAnalysisCommands(CCommandHost& frame);

    void SettingsLoaded() override;

    CMeasureWindow& Measure() { return *measure_; }
    CFrequencyWindow& Spectrum() { return *spectrum_; }

private:
    CMeasureWindow* measure_;     // owned by the frame
    CFrequencyWindow* spectrum_;  // owned by the frame
};

}  // namespace kivelo::app
