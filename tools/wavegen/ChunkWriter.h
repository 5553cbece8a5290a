#pragma once
// Buffered binary output for large generated files: bytes stream through a
// fixed buffer, so files of several GB never live in memory.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kivelo::wavegen {

class ChunkWriter {
public:
    explicit ChunkWriter(const std::string& path, std::size_t bufferBytes = std::size_t{1} << 20);
    ~ChunkWriter();
    ChunkWriter(const ChunkWriter&) = delete;
    ChunkWriter& operator=(const ChunkWriter&) = delete;

    bool Ok() const { return file_ != nullptr && !failed_; }
    // A span of `n` bytes to fill, at most the buffer size; valid until the next call.
    uint8_t* Reserve(std::size_t n);
    void Write(const void* data, std::size_t n);
    void Fill(uint8_t byte, uint64_t n);
    uint64_t Position() const { return written_ + used_; }
    // Flushes and closes; false when any write failed.
    bool Finish();
    std::size_t Capacity() const { return buffer_.size(); }

private:
    void Flush();

    std::FILE* file_ = nullptr;
    bool failed_ = false;
    std::vector<uint8_t> buffer_;
    std::size_t used_ = 0;
    uint64_t written_ = 0;
};

// Writes a whole small file (headers, fixtures); false on any failure.
bool WriteWholeFile(const std::string& path, const void* data, std::size_t n);

}  // namespace kivelo::wavegen
