#pragma once
// Small generated waveform files for the export tests.
#include <cstdint>
#include <string>
#include <vector>

#include "Wavegen.h"

namespace kivelo::testing {

// A .wvf/.hdr pair of `traces` traces (names CH1.., unit V) with `samples` samples in
// each of `blocks` blocks; VResolution 0.001, VOffset 0 unless changed in desc.
wavegen::WvfDesc SmallWvf(int traces, int blocks, int64_t samples, const std::string& type = "IS2");

// The lines of a text file split at LF (the LF itself dropped).
std::vector<std::string> Lines(const std::string& text);

// Writes a small file with the given content; false on failure.
bool WriteTextFile(const std::string& path, const std::string& text);

// Names in a folder other than "." and "..".
std::vector<std::string> FolderEntries(const std::string& folder);

// Limits the size of files this process writes while it lives, so that writes
// fail as on a full disk (EFBIG; SIGXFSZ is ignored meanwhile).
class FileSizeLimit {
public:
    explicit FileSizeLimit(uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    uint64_t oldSoft_ = 0;
    void (*oldHandler_)(int) = nullptr;
};

}  // namespace kivelo::testing
