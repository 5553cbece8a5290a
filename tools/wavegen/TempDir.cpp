#include "TempDir.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdlib.h>

namespace kivelo::wavegen {

TempDir::TempDir() {
    char name[] = "/tmp/kivelo-gen-XXXXXX";
    if (::mkdtemp(name) != nullptr) path_ = name;
}

TempDir::~TempDir() {
    if (path_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

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
