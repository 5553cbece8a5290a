#include "DownloadOutput.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kivelo {

namespace {

std::string ParentOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool Exists(const std::string& path)
{
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 || errno != ENOENT;
}

bool WriteAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool SyncFile(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

// Moves from to to, failing when to exists (never replaces a user's file).
bool MoveNoReplace(const std::string& from, const std::string& to)
{
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without the no-replace rename: a hard link fails on an existing name too.
    if (link(from.c_str(), to.c_str()) != 0)
        return false;
    unlink(from.c_str());
    return true;
}

}  // namespace

DownloadOutput::~DownloadOutput()
{
    Discard();
}

bool DownloadOutput::Prepare(const std::string& base)
{
    Discard();
    if (base.empty() || Exists(DataPath(base)) || Exists(HeaderPath(base)))
        return false;
    base_ = base;
    return work_.Create(ParentOf(base), ".kivelo-download-");
}

bool DownloadOutput::OpenData()
{
    if (!work_.IsCreated())
        return false;
    CloseData();
    dataFd_ = open(StagedDataPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return dataFd_ >= 0;
}

bool DownloadOutput::Append(std::span<const uint8_t> bytes)
{
    return dataFd_ >= 0 && WriteAll(dataFd_, bytes.data(), bytes.size());
}

bool DownloadOutput::AppendZeros(int64_t count)
{
    static constexpr std::array<uint8_t, 4096> kZeros{};
    while (count > 0) {
        const auto n = static_cast<size_t>(std::min<int64_t>(count, kZeros.size()));
        if (!Append(std::span(kZeros.data(), n)))
            return false;
        count -= static_cast<int64_t>(n);
    }
    return true;
}

bool DownloadOutput::Commit()
{
    if (dataFd_ < 0)
        return false;
    const bool synced = fsync(dataFd_) == 0;
    CloseData();
    if (!synced || !SyncFile(StagedHeaderPath()))
        return false;
    if (!MoveNoReplace(StagedDataPath(), DataPath(base_)))
        return false;
    if (!MoveNoReplace(StagedHeaderPath(), HeaderPath(base_))) {
        // Take back the data file we just placed: a pair is complete or absent.
        unlink(DataPath(base_).c_str());
        return false;
    }
    if (const int dir = open(ParentOf(base_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        fsync(dir);
        close(dir);
    }
    work_.Remove();
    return true;
}

void DownloadOutput::Discard()
{
    CloseData();
    work_.Remove();
}

void DownloadOutput::CloseData()
{
    if (dataFd_ >= 0) {
        close(dataFd_);
        dataFd_ = -1;
    }
}

}  // namespace kivelo
