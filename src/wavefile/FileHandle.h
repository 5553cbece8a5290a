#pragma once
// Owning POSIX file descriptor with positioned reads (no shared file offset).
#include <cstdint>
#include <span>
#include <string>

#include "common/UniqueFd.h"
#include "wavefile/ReadMonitor.h"

namespace kivelo {

// Which file an open descriptor reads and the state it is in: size and the times
// of its last change of contents and of status, in nanoseconds.
struct FileStamp {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modifiedNs = 0;
    int64_t changedNs = 0;
};

class FileHandle {
public:
    FileHandle() = default;
    ~FileHandle();
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;

    // Only a regular file opens (a FIFO, device, socket or folder would block
    // or read nothing meaningful); `cause` says why not, e.g. "no such file".
    bool OpenRead(const std::string& path, std::string& cause);
    bool OpenRead(const std::string& path);
    void Close();
    bool IsOpen() const { return fd_.IsOpen(); }
    int Descriptor() const { return fd_.Get(); }

    // Reads up to buffer.size() bytes at offset; returns bytes read (fewer at the
    // end of the file), or -1 on an I/O error. Negative offsets read nothing.
    // Large reads go in pieces of kReadPiece bytes, so that a cancel of the
    // monitor stops them between pieces.
    int64_t ReadAt(int64_t offset, std::span<uint8_t> buffer) const;
    // Reads are counted into the monitor and fail (-1) once it is cancelled; null: none.
    void SetMonitor(ReadMonitor* monitor) { monitor_ = monitor; }
    ReadMonitor* Monitor() const { return monitor_; }
    // Starts reading bytes offset .. offset + length - 1 into the system's cache
    // without waiting, unless they seem to be there; a hint, so failures are ignored.
    void WillNeed(int64_t offset, int64_t length) const;
    // Whether the byte at offset is in the system's cache (false past the end,
    // or where the system cannot tell without waiting).
    bool InCache(int64_t offset) const;
    // File size in bytes, -1 when unknown.
    int64_t Size() const;
    // False when the file cannot be asked.
    bool Stamp(FileStamp& out) const;

    static constexpr std::size_t kReadPiece = std::size_t{1} << 20;

private:
    UniqueFd fd_;
    ReadMonitor* monitor_ = nullptr;
};

}  // namespace kivelo
