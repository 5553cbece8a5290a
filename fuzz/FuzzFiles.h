#pragma once
// Scratch files for fuzz targets: the readers take paths, so each input is
// written to a private directory (in /dev/shm when available) first.
#include <cstdint>
#include <span>
#include <string>

namespace kivelo::fuzz {

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Writes bytes to name inside the directory and returns the full path.
    std::string Write(const std::string& name, std::span<const uint8_t> bytes) const;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Splits an input at the first occurrence of the separator line "\n@@DATA@@\n":
// the text before it is a header, the bytes after it a data file.
struct SplitInput {
    std::span<const uint8_t> header;
    std::span<const uint8_t> data;
};
SplitInput Split(const uint8_t* data, std::size_t size);

}  // namespace kivelo::fuzz
