#include "FrameDrawing.h"

#include "CliEnvironment.h"

#include <QGuiApplication>

#include <cstdio>

#include "display/DocumentBinding.h"
#include "display/RenderTarget.h"
#include "wavefile/WaveDocument.h"

namespace kivelo::cli {

bool ParseFrameSize(const std::string& text, int& width, int& height) {
    char x = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &width, &x, &height, &rest) != 3 || (x != 'x' && x != 'X')) return false;
    return width >= kMinFrameWidth && height >= kMinFrameHeight && width <= 2048 && height <= 1200;
}

FrameDrawing::FrameDrawing(const std::string& path, char* argv0) : path_(path) {
    file_ = OpenWaveFileAt(path, 0, error_, ReaderOptions());
    if (!file_) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qtArgv_[0] = argv0;
    app_ = std::make_unique<QGuiApplication>(qtArgc_, qtArgv_);
    model_ = std::make_unique<DisplayModel>();
    cache_ = std::make_unique<RenderCache>();
    BindDocument(*model_, *file_);
}

FrameDrawing::~FrameDrawing() = default;

ComposedFrame FrameDrawing::Compose(int frameWidth, int frameHeight, const TextMetrics& metrics) {
    return ComposeWindows(*model_, *cache_, file_.get(), frameWidth, frameHeight, metrics);
}

QImage FrameDrawing::Picture(const ComposedFrame& frame, const TextMetrics& metrics, int frameWidth,
                             int frameHeight) const {
    std::string modelName;
    file_->GetModel(modelName);
    return ComposeFramePicture(frame, "Waveform Viewer  " + path_ + "    Model " + modelName, metrics, frameWidth,
                               frameHeight, model_->Area(WindowId::Main).verticalDivisions);
}

}  // namespace kivelo::cli
