#pragma once
// One output format of the export: writes the chosen traces and records of a
// source into a staged file. The export flow (ExportRecords) checks the plan
// against the source first, so a format sees only spans that lie inside every
// record it writes.
#include <atomic>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/StagedFile.h"
#include "export/ExportSource.h"

namespace kivelo {

// Lets another thread follow an export and stop it: samples written of the total.
struct ExportProgress {
    std::atomic<int64_t> done{0};
    std::atomic<int64_t> total{0};
    std::atomic<bool> cancel{false};

    bool Cancelled() const { return cancel.load(std::memory_order_relaxed); }
    void Add(int64_t samples) { done.fetch_add(samples, std::memory_order_relaxed); }
};

struct ExportPlan {
    std::vector<int> traces;  // file trace indexes, in the order written
    std::vector<int> blocks;  // records, in the order written
    int64_t first = 0;
    // Samples per trace and record; -1: each to the end of its record (formats
    // with one time axis always get a count).
    int64_t count = -1;
    std::string sourceName;  // the source file's name, without its folder
    ExportProgress* progress = nullptr;

    int64_t CountOf(ExportSource& source, int trace, int block) const {
        return count >= 0 ? count : source.BlockSize(trace, block) - first;
    }
    bool Cancelled() const { return progress != nullptr && progress->Cancelled(); }
    void Add(int64_t samples) const {
        if (progress != nullptr) progress->Add(samples);
    }
};

// What a format's writer works with, and the messages of its failures.
struct ExportContext {
    ExportSource& source;
    const ExportPlan& plan;
    std::string& message;

    bool Fail(std::string text) const {
        message = std::move(text);
        return false;
    }
    // True (with the message) once the plan's progress asks to stop.
    bool Cancelled() const { return plan.Cancelled() && !Fail("The export was cancelled"); }
    bool ReadFailed(const ExportTrace& trace, int block, int64_t first) const {
        return Fail("Cannot read the samples of " + trace.label + " in record " + std::to_string(block) +
                    " from sample " + std::to_string(first));
    }
    // Appends text to out and empties it; false with the file's message.
    bool Append(StagedFile& out, std::string& text) const {
        if (!out.Append(text)) return Fail(out.Error());
        text.clear();
        return true;
    }
};

class ExportFormat {
public:
    virtual ~ExportFormat() = default;
    // True when the format keeps records apart and can take several; false when
    // it has one time axis for every trace (one record, one count).
    virtual bool ManyRecords() const { return false; }
    // Writes everything into out (not committed). False with the context's message on failure.
    virtual bool Write(const ExportContext& context, StagedFile& out) = 0;
};

}  // namespace kivelo
