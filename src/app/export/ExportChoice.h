#pragma once
// What the export dialog chose, and the request it makes of what the program
// shows: which records, traces and stretch of samples. Plain C++.
#include <cstdint>
#include <string>
#include <vector>

#include "export/Exporter.h"

namespace kivelo::app {

// The state of the program the choices refer to.
struct ExportScene {
    int recordCount = 1;
    int currentRecord = 0;
    int64_t recordLength = 0;     // samples of the current record
    std::vector<int> mainTraces;  // file traces the Main window shows
    bool zoomShown = false;
    int64_t zoomFirst = 0, zoomCount = 0;
    int64_t cursorA = 0, cursorB = 0;  // samples under the Main window's two cursors
};

struct ExportChoice {
    enum class Records { Current, All, Range };
    enum class Traces { Main, All, Chosen };
    enum class Span { Whole, Zoom, Cursors };

    std::string ending = ".csv";  // the format, by its file ending
    Records records = Records::Current;
    int from = 0, to = 0;  // Range: records from .. to, both written
    Traces traces = Traces::Main;
    std::vector<int> chosen;  // Chosen: file trace indexes
    Span span = Span::Whole;
};

// The request for the exporter; false with a message when the choice selects
// no trace or no record.
bool RequestOf(const ExportChoice& choice, const ExportScene& scene, ExportRequest& request, std::string& message);

// The record's path with the format's ending in place of its own.
std::string SuggestedName(const std::string& recordPath, const std::string& ending);

}  // namespace kivelo::app
