#include "wavefile/FileHandle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <cerrno>

#include <algorithm>
#include <utility>

#include "common/ErrorText.h"

namespace kivelo {

FileHandle::~FileHandle() { Close(); }

FileHandle::FileHandle(FileHandle&& other) noexcept : fd_(std::move(other.fd_)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    fd_ = std::move(other.fd_);
    return *this;
}

bool FileHandle::OpenRead(const std::string& path, std::string& cause) {
    Close();
    fd_ = OpenRegularFile(path, cause);
    return fd_.IsOpen();
}

bool FileHandle::OpenRead(const std::string& path) {
    std::string cause;
    return OpenRead(path, cause);
}

void FileHandle::Close() { fd_.Reset(); }

int64_t FileHandle::ReadAt(int64_t offset, std::span<uint8_t> buffer) const {
    if (!fd_.IsOpen() || offset < 0) return fd_.IsOpen() ? 0 : -1;
    if (monitor_ != nullptr && monitor_->Cancelled()) return -1;
    std::size_t done = 0;
    while (done < buffer.size()) {
        if (done > 0 && monitor_ != nullptr && monitor_->Cancelled()) return -1;
        const std::size_t piece = std::min(buffer.size() - done, kReadPiece);
        ssize_t n =
            ::pread(fd_.Get(), buffer.data() + done, piece, static_cast<off_t>(offset + static_cast<int64_t>(done)));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
        if (monitor_ != nullptr) monitor_->bytesRead.fetch_add(n, std::memory_order_relaxed);
    }
    return static_cast<int64_t>(done);
}

bool FileHandle::InCache(int64_t offset) const {
    if (!fd_.IsOpen() || offset < 0) return false;
    uint8_t byte = 0;
    iovec one{&byte, 1};
    return ::preadv2(fd_.Get(), &one, 1, static_cast<off_t>(offset), RWF_NOWAIT) == 1;
}

void FileHandle::WillNeed(int64_t offset, int64_t length) const {
    if (!fd_.IsOpen() || offset < 0 || length <= 0) return;
    // The system looks up every page of the span even when all are there, which
    // on a warm file cost about a sixth of copying them; a span whose start and
    // middle are there is taken to be there.
    if (InCache(offset) && InCache(offset + length / 2)) return;
    (void)::posix_fadvise(fd_.Get(), static_cast<off_t>(offset), static_cast<off_t>(length), POSIX_FADV_WILLNEED);
}

int64_t FileHandle::Size() const {
    struct stat st {};
    if (!fd_.IsOpen() || ::fstat(fd_.Get(), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

bool FileHandle::Stamp(FileStamp& out) const {
    struct stat st {};
    if (!fd_.IsOpen() || ::fstat(fd_.Get(), &st) != 0) return false;
    auto ns = [](const timespec& t) { return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec; };
    out.device = static_cast<uint64_t>(st.st_dev);
    out.inode = static_cast<uint64_t>(st.st_ino);
    out.size = static_cast<int64_t>(st.st_size);
    out.modifiedNs = ns(st.st_mtim);
    out.changedNs = ns(st.st_ctim);
    return true;
}

}  // namespace kivelo
