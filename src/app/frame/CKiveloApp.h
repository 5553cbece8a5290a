#pragma once
// The application: owns the program's long-lived state (the document with its
// three readers, the display model and the render cache beside it, the
// settings record, the dialogs' seam)
// and the main frame, reads the settings at start and writes them at exit.
#include <QString>

#include <memory>
#include <string>

#include "app/core/SettingsRecord.h"
#include "display/DisplayModel.h"
#include "display/RenderCache.h"
#include "wavefile/WaveDocument.h"

namespace kivelo::app {

class CMainFrame;
class CUiSeam;

class CKiveloApp {
public:
    // `ui` answers the message boxes and file dialogs; `settingsPath` is where kivelo.stp lives.
    CKiveloApp(CUiSeam& ui, std::string settingsPath);
    ~CKiveloApp();

    CMainFrame& Frame() { return *frame_; }
    DisplayModel& Model() { return *model_; }
    WaveDocument& Document() { return *document_; }
    SettingsRecord& Settings() { return settings_; }
    const std::string& SettingsPath() const { return settingsPath_; }

    // Reads kivelo.stp and gives its values to the frame and the display.
    void LoadSettings();
    // Puts the exit fields into the record and writes it; false when it could not be written.
    bool SaveSettings();
    // The frame was maximised at the last exit (known after LoadSettings).
    bool StartsMaximised() const { return maximised_; }

private:
    std::unique_ptr<WaveDocument> document_;
    std::unique_ptr<DisplayModel> model_;
    std::unique_ptr<RenderCache> cache_;  // what drawing the model keeps
    SettingsRecord settings_;
    std::string settingsPath_;
    bool mayOverwrite_ = true;
    std::unique_ptr<CMainFrame> frame_;
    bool maximised_ = false;
};

// The program's main: `kivelo [FILE]`.
int RunKivelo(int argc, char** argv);

}  // namespace kivelo::app
