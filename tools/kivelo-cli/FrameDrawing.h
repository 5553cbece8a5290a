#pragma once
// The step that render and print share: open a waveform file, bind it to a
// display model and draw the frame offscreen, as the program shows it after
// opening the file.
#include <QImage>

#include <memory>
#include <string>

#include "display/DisplayModel.h"
#include "display/RenderCache.h"
#include "display/qt/FrameComposer.h"
#include "wavefile/CWaveFile.h"

class QGuiApplication;

namespace kivelo::cli {

// Reads "WxH" within the frame sizes the program draws (540x400 .. 2048x1200);
// false when the text is no such size.
bool ParseFrameSize(const std::string& text, int& width, int& height);
inline constexpr char kFrameSizeRule[] = "--size is WxH within 540x400 .. 2048x1200";

class FrameDrawing {
public:
    // Opens path; on failure Ok() is false and Error() says why. Qt runs
    // offscreen unless the caller chose a platform.
    FrameDrawing(const std::string& path, char* argv0);
    ~FrameDrawing();

    bool Ok() const { return file_ != nullptr; }
    const std::string& Error() const { return error_; }
    // The model to set up before Compose (record, scales, zoom, cursors).
    DisplayModel& Model() { return *model_; }
    CWaveFile& File() { return *file_; }

    // Draws the four windows at the frame size.
    ComposedFrame Compose(int frameWidth, int frameHeight, const TextMetrics& metrics);
    // The whole frame picture with the program's caption.
    QImage Picture(const ComposedFrame& frame, const TextMetrics& metrics, int frameWidth, int frameHeight) const;

private:
    std::string path_;
    std::string error_;
    std::unique_ptr<CWaveFile> file_;
    std::unique_ptr<DisplayModel> model_;
    std::unique_ptr<RenderCache> cache_;
    std::unique_ptr<QGuiApplication> app_;
    int qtArgc_ = 1;
    char* qtArgv_[2] = {nullptr, nullptr};
};

}  // namespace kivelo::cli
