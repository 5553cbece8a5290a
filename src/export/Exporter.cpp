#include "export/Exporter.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "export/ExportFormats.h"

namespace kivelo {

namespace {

Outcome<ExportCode> Refuse(ExportCode code, std::string message) { return {code, std::move(message)}; }

}  // namespace

Outcome<ExportCode> Exporter::Check(ExportSource& source, bool manyRecords, const ExportRequest& request,
                                    ExportPlan& plan) {
    if (!source.Usable()) return Refuse(ExportCode::BadRequest, source.Message());
    const int traceTotal = static_cast<int>(source.Traces().size());
    plan.traces = request.traces;
    if (plan.traces.empty())
        for (int t = 0; t < traceTotal; ++t) plan.traces.push_back(t);
    if (plan.traces.empty()) return Refuse(ExportCode::BadRequest, "The file has no trace to export");
    for (int t : plan.traces)
        if (t < 0 || t >= traceTotal)
            return Refuse(ExportCode::BadRequest, "The file has no trace W" + std::to_string(t + 1) + " (it has " +
                                                      std::to_string(traceTotal) + ")");
    plan.blocks = request.blocks.empty() ? std::vector<int>{0} : request.blocks;
    for (int b : plan.blocks)
        if (b < 0 || b >= source.Blocks())
            return Refuse(ExportCode::BadRequest, "The file has no record " + std::to_string(b) + " (it has " +
                                                      std::to_string(source.Blocks()) + ")");
    if (!manyRecords && plan.blocks.size() > 1)
        return Refuse(ExportCode::BadRequest, "This format holds one record; export the records one at a time");
    if (request.first < 0 || request.count < -1)
        return Refuse(ExportCode::BadRequest, "A span cannot start or end before the record's first sample");
    plan.first = request.first;
    plan.count = request.count;
    // Formats with one time axis take the samples every trace has.
    int64_t shortest = INT64_MAX;
    int64_t total = 0;
    for (int b : plan.blocks)
        for (int t : plan.traces) {
            const int64_t size = source.BlockSize(t, b);
            const int64_t end = request.count < 0 ? size : request.first + request.count;
            if (request.first > size || end > size)
                return Refuse(ExportCode::BadRequest, "Samples " + std::to_string(request.first) + " to " +
                                                          std::to_string(end - 1) + " lie outside record " +
                                                          std::to_string(b) + " of W" + std::to_string(t + 1) +
                                                          " (it has " + std::to_string(size) + " samples)");
            shortest = std::min(shortest, size - request.first);
            total += end - request.first;
        }
    if (!manyRecords && plan.count < 0) {
        plan.count = shortest;
        total = shortest * static_cast<int64_t>(plan.traces.size());
    }
    plan.sourceName = request.sourceName;
    plan.progress = request.progress;
    if (plan.progress != nullptr) plan.progress->total.store(total);
    return {};
}

Outcome<ExportCode> Exporter::Write(CWaveFile& file, const std::string& outPath, const ExportRequest& request) {
    const ExportFormatEntry* entry = ExportFormatOfPath(outPath);
    if (entry == nullptr)
        return Refuse(ExportCode::UnknownFormat,
                      "Unknown export format: " + outPath + " (the name must end in " + ExportEndingsText() + ")");
    struct stat st {};
    if (!request.replace && ::lstat(outPath.c_str(), &st) == 0)
        return Refuse(ExportCode::Exists, "File already exists.");
    if (!file.IsOpen()) return Refuse(ExportCode::Failed, "No waveform file is open");

    std::unique_ptr<ExportFormat> format = entry->make();
    ExportSource source(file);
    ExportPlan plan;
    if (Outcome<ExportCode> checked = Check(source, format->ManyRecords(), request, plan); !checked.Ok())
        return checked;

    StagedFile out;
    if (!out.Create(outPath, request.replace ? StagedFile::Existing::Replace : StagedFile::Existing::Keep))
        return Refuse(ExportCode::Failed, out.Error());
    std::string message;
    const bool written = format->Write(ExportContext{source, plan, message}, out);
    if (plan.Cancelled()) return Refuse(ExportCode::Cancelled, "The export was cancelled");
    if (!written) return Refuse(ExportCode::Failed, message);
    if (!out.Commit()) {
        if (out.ErrorNumber() == EEXIST) return Refuse(ExportCode::Exists, "File already exists.");
        return Refuse(ExportCode::Failed, out.Error());
    }
    return {};
}

}  // namespace kivelo
