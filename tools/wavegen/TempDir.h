#pragma once
// A private directory under /tmp for generated files, removed with its
// contents on destruction; plus small file helpers for tests of the readers.
#include <cstdint>
#include <string>
#include <vector>

namespace kivelo::wavegen {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    bool Ok() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::vector<uint8_t> ReadFileBytes(const std::string& path);
std::string ReadFileText(const std::string& path);
// Overwrites bytes at offset in an existing file; false on failure.
bool PatchFile(const std::string& path, int64_t offset, const std::vector<uint8_t>& bytes);

}  // namespace kivelo::wavegen
