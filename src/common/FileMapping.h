#pragma once
// A file's bytes seen in place, read-only, so that work over them reads them from
// the system's cache itself instead of a copy (a copy costs as much again). A
// page that cannot be read there (the file shrank beneath the mapping, or an I/O
// error) raises SIGBUS; inside a mapping made here, the signal puts a page of
// zeros in its place and marks the mapping faulted, so that the work goes on and
// its owner throws its result away, where the signal would otherwise end the program.
#include <cstdint>
#include <memory>
#include <span>

namespace kivelo {

class FileMapping {
public:
    // The first `bytes` of the open file `fd`; null when they cannot be mapped
    // (no room left for another mapping, or the system refuses).
    static std::unique_ptr<FileMapping> Map(int fd, int64_t bytes);
    ~FileMapping();
    FileMapping(const FileMapping&) = delete;
    FileMapping& operator=(const FileMapping&) = delete;

    std::span<const uint8_t> Bytes() const { return {base_, size_}; }
    // Whether a page could not be read since the mapping was made: what was seen
    // there was zeros, not the file.
    bool Faulted() const;
    // The whole pages inside `bytes` (of this mapping) are unmapped from the
    // process, and mapped again from the system's cache if looked at again: an
    // end of the mapping made in parts, by the threads that used them.
    void LetGo(std::span<const uint8_t> bytes) const;

private:
    FileMapping(const uint8_t* base, std::size_t size, int slot) : base_(base), size_(size), slot_(slot) {}
    const uint8_t* base_;
    std::size_t size_;
    int slot_;  // in the table the signal handler looks in
};

}  // namespace kivelo
