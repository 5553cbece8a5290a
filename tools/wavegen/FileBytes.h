#pragma once
// Small file helpers for tests of the readers.
#include <cstdint>
#include <string>
#include <vector>

namespace kivelo::wavegen {

std::vector<uint8_t> ReadFileBytes(const std::string& path);
std::string ReadFileText(const std::string& path);
// Overwrites bytes at offset in an existing file; false on failure.
bool PatchFile(const std::string& path, int64_t offset, const std::vector<uint8_t>& bytes);

}  // namespace kivelo::wavegen
