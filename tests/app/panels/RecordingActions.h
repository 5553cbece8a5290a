#pragma once
// Stand-in for the frame in panel tests: owns a DisplayModel (optionally bound
// to an in-memory document) and records what the panels asked for.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CScriptedUi.h"
#include "FakeWaveFile.h"
#include "app/ui/CDisplayActions.h"
#include "display/DocumentBinding.h"

namespace kivelo::app::test {

class RecordingActions final : public CDisplayActions {
public:
    // What the panels asked for, in order: "redraw:<mask>", "request", "layout:<force>", "select:<window>".
    std::vector<std::string> calls;
    std::function<bool(DisplayModel&, WindowId)> onSelection;

    RecordingActions() : model_(std::make_unique<DisplayModel>()) {
        // As the frame: marks drawn at the event's end show as a redraw of what
        // they marked, marks for the coalescing timer as a request.
        model_->redraw.SetListener([this](bool atOnce) {
            const WindowMask windows = model_->redraw.Take();
            calls.push_back(atOnce ? "redraw:" + std::to_string(windows) : std::string("request"));
        });
    }

    // A document of `traces` traces x `records` records of `length` points.
    void Bind(int traces, int records, int length, std::vector<std::string> names = {}) {
        file_ = std::make_unique<kivelo::test::FakeWaveFile>();
        names.resize(static_cast<size_t>(traces), "CH");
        for (const std::string& name : names) {
            file_->AddTrace(name, std::vector<std::vector<int16_t>>(static_cast<size_t>(records),
                                                                    std::vector<int16_t>(static_cast<size_t>(length))));
        }
        BindDocument(*model_, *file_);
    }

    std::vector<WindowMask> Redraws() const {
        std::vector<WindowMask> out;
        for (const std::string& c : calls) {
            if (c.rfind("redraw:", 0) == 0) out.push_back(static_cast<WindowMask>(std::stoul(c.substr(7))));
        }
        return out;
    }
    void Clear() { calls.clear(); }

    DisplayModel& Model() override { return *model_; }
    CWaveFile* File() override { return file_.get(); }
    void LayOutWindows(bool force) override { calls.push_back(force ? "layout:forced" : "layout"); }
    bool OpenTraceSelection(WindowId window) override {
        calls.push_back("select:" + std::to_string(static_cast<int>(window)));
        return onSelection ? onSelection(*model_, window) : false;
    }
    CUiSeam& Ui() override { return ui; }

    CScriptedUi ui;

private:
    std::unique_ptr<DisplayModel> model_;
    std::unique_ptr<kivelo::test::FakeWaveFile> file_;
};

}  // namespace kivelo::app::test
