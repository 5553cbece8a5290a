#include "ChunkWriter.h"

#include <algorithm>
#include <cstring>

namespace kivelo::wavegen {

ChunkWriter::ChunkWriter(const std::string& path, std::size_t bufferBytes)
    : file_(std::fopen(path.c_str(), "wb")), buffer_(std::max<std::size_t>(bufferBytes, 4096)) {}

ChunkWriter::~ChunkWriter() { Finish(); }

void ChunkWriter::Flush() {
    if (used_ == 0) return;
    if (file_ == nullptr || std::fwrite(buffer_.data(), 1, used_, file_) != used_) failed_ = true;
    written_ += used_;
    used_ = 0;
}

uint8_t* ChunkWriter::Reserve(std::size_t n) {
    n = std::min(n, buffer_.size());
    if (used_ + n > buffer_.size()) Flush();
    uint8_t* p = buffer_.data() + used_;
    used_ += n;
    return p;
}

void ChunkWriter::Write(const void* data, std::size_t n) {
    const auto* src = static_cast<const uint8_t*>(data);
    while (n > 0) {
        const std::size_t part = std::min(n, buffer_.size());
        std::memcpy(Reserve(part), src, part);
        src += part;
        n -= part;
    }
}

void ChunkWriter::Fill(uint8_t byte, uint64_t n) {
    while (n > 0) {
        const auto part = static_cast<std::size_t>(std::min<uint64_t>(n, buffer_.size()));
        std::memset(Reserve(part), byte, part);
        n -= part;
    }
}

bool ChunkWriter::Finish() {
    if (file_ == nullptr) return false;
    Flush();
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    return !failed_;
}

bool WriteWholeFile(const std::string& path, const void* data, std::size_t n) {
    ChunkWriter w(path, std::max<std::size_t>(n, 4096));
    w.Write(data, n);
    return w.Finish();
}

}  // namespace kivelo::wavegen
