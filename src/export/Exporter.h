#pragma once
// Exports traces and records of an open waveform file in the format its
// output name's ending chooses (ExportFormats). The request is checked against
// the file before anything is written; the output appears only complete, so a
// refusal, a failure or a cancel leaves no file and keeps an older one.
#include <cstdint>
#include <string>
#include <vector>

#include "common/Outcome.h"
#include "export/ExportFormat.h"
#include "wavefile/CWaveFile.h"

namespace kivelo {

enum class ExportCode {
    Ok,
    UnknownFormat,  // the output's ending names no format
    Exists,         // the output exists and replace was not asked for
    BadRequest,     // a trace, record or span the file does not have
    Failed,         // reading or writing failed
    Cancelled,
};

struct ExportRequest {
    std::vector<int> traces;  // file trace indexes; empty: every trace
    std::vector<int> blocks;  // records; empty: record 0
    int64_t first = 0;
    int64_t count = -1;  // samples per trace; -1: to the end of the record
    bool replace = false;
    std::string sourceName;  // stored in the output as the source's name
    ExportProgress* progress = nullptr;
};

class Exporter {
public:
    Outcome<ExportCode> Write(CWaveFile& file, const std::string& outPath, const ExportRequest& request);

private:
    Outcome<ExportCode> Check(ExportSource& source, bool manyRecords, const ExportRequest& request, ExportPlan& plan);
};

}  // namespace kivelo
