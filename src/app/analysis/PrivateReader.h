#pragma once
// A reader of its own for an analysis window's worker thread: the document's
// reader belongs to the user-interface thread, so the worker opens the same
// file again (anew when the document changes) and keeps its summaries.
#include <cstdint>
#include <memory>
#include <string>

#include "analysis/MomentsCache.h"
#include "wavefile/CWaveFile.h"
#include "wavefile/WavefileOptions.h"

namespace kivelo::app {

class PrivateReader {
public:
    // Readers opened with the options of the document they read.
    explicit PrivateReader(const WavefileOptions& options) : options_(options) {}

    // The file at path as opened for document `generation`; null with the cause in error.
    CWaveFile* Get(const std::string& path, uint64_t generation, std::string& error);
    MomentsCache& Cache() { return cache_; }

private:
    WavefileOptions options_;
    std::unique_ptr<CWaveFile> file_;
    std::string path_;
    uint64_t generation_ = 0;
    MomentsCache cache_;
};

}  // namespace kivelo::app
