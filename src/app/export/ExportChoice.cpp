#include "app/export/ExportChoice.h"

#include <algorithm>

namespace kivelo::app {

bool RequestOf(const ExportChoice& choice, const ExportScene& scene, ExportRequest& request, std::string& message) {
    request.blocks.clear();
    switch (choice.records) {
    case ExportChoice::Records::Current: request.blocks.push_back(scene.currentRecord); break;
    case ExportChoice::Records::All:
        for (int b = 0; b < scene.recordCount; ++b) request.blocks.push_back(b);
        break;
    case ExportChoice::Records::Range:
        for (int b = std::max(choice.from, 0); b <= std::min(choice.to, scene.recordCount - 1); ++b)
            request.blocks.push_back(b);
        break;
    }
    if (request.blocks.empty()) {
        message = "No record lies in the range chosen";
        return false;
    }
    // An empty list would mean every trace to the exporter.
    switch (choice.traces) {
    case ExportChoice::Traces::Main: request.traces = scene.mainTraces; break;
    case ExportChoice::Traces::All: request.traces.clear(); break;
    case ExportChoice::Traces::Chosen: request.traces = choice.chosen; break;
    }
    if (choice.traces != ExportChoice::Traces::All && request.traces.empty()) {
        message =
            choice.traces == ExportChoice::Traces::Main ? "No trace is shown in the Main window" : "No trace is chosen";
        return false;
    }
    switch (choice.span) {
    case ExportChoice::Span::Whole:
        request.first = 0;
        request.count = -1;
        break;
    case ExportChoice::Span::Zoom:
        request.first = scene.zoomFirst;
        request.count = scene.zoomCount;
        break;
    case ExportChoice::Span::Cursors:
        request.first = std::min(scene.cursorA, scene.cursorB);
        request.count = std::max(scene.cursorA, scene.cursorB) - request.first + 1;
        break;
    }
    return true;
}

std::string SuggestedName(const std::string& recordPath, const std::string& ending) {
    const std::size_t slash = recordPath.find_last_of('/');
    const std::size_t dot = recordPath.find_last_of('.');
    const bool hasEnding = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return (hasEnding ? recordPath.substr(0, dot) : recordPath) + ending;
}

}  // namespace kivelo::app
