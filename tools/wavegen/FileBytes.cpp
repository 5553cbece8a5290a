#include "FileBytes.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace kivelo::wavegen {

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ReadFileText(const std::string& path) {
    const std::vector<uint8_t> b = ReadFileBytes(path);
    return {b.begin(), b.end()};
}

bool PatchFile(const std::string& path, int64_t offset, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    if (f == nullptr) return false;
    const bool ok = std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0 &&
                    std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace kivelo::wavegen
