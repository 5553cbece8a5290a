#include "AtomicOutputFile.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kivelo {

namespace {

constexpr int kNameAttempts = 100;
// Keeps the temporary name within the file system's name limit.
constexpr std::size_t kTempBaseLength = 180;

std::string BaseNameOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Makes the rename durable; a folder that can't be synced is no reason to fail.
void SyncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

AtomicOutputFile::AtomicOutputFile(std::size_t bufferSize)
    : buffer_(bufferSize == 0 ? 1 : bufferSize) {}

AtomicOutputFile::~AtomicOutputFile() { Discard(); }

bool AtomicOutputFile::Create(const std::string& targetPath) {
    Discard();
    failed_ = false;
    error_.clear();
    target_ = targetPath;
    std::string base = BaseNameOf(targetPath);
    if (base.empty()) return Fail("No file name in " + targetPath, 0);

    // O_EXCL on a fresh name: no race with other writers and no symlink following;
    // mode 0666 lets the umask decide like for any new file.
    std::string folder = FolderOf(targetPath);
    auto seed = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, ".%ld.%llx.tmp", static_cast<long>(::getpid()),
                      (seed + static_cast<unsigned long long>(attempt) * 0x9E3779B9ull) & 0xFFFFFFull);
        temp_ = folder + "/." + base.substr(0, kTempBaseLength) + suffix;
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) return true;
        if (errno != EEXIST) break;
    }
    int err = errno;
    temp_.clear();
    return Fail("Cannot create a file in " + folder, err);
}

bool AtomicOutputFile::AppendSlow(std::string_view bytes) {
    if (fd_ < 0 || failed_) return false;
    if (!Flush()) return false;
    if (bytes.size() >= buffer_.size()) return WriteAll(bytes.data(), bytes.size());
    std::memcpy(buffer_.data(), bytes.data(), bytes.size());
    used_ = bytes.size();
    return true;
}

bool AtomicOutputFile::Flush() {
    if (used_ == 0) return !failed_;
    bool ok = WriteAll(buffer_.data(), used_);
    used_ = 0;
    return ok;
}

bool WriteFully(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool AtomicOutputFile::WriteAll(const char* data, std::size_t size) {
    if (fd_ < 0 || failed_) return false;
    if (WriteFully(fd_, data, size)) return true;
    int err = errno;
    return Fail("Cannot write " + target_, err);
}

bool AtomicOutputFile::Commit() {
    if (fd_ < 0 || failed_) {
        if (error_.empty()) error_ = "Nothing to save for " + target_;
        return false;
    }
    if (!Flush()) return false;
    struct stat old {};
    if (::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd_, old.st_mode & 07777);
    if (::fsync(fd_) != 0) return Fail("Cannot write " + target_, errno);
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return Fail("Cannot write " + target_, errno);
    if (::rename(temp_.c_str(), target_.c_str()) != 0) return Fail("Cannot save " + target_, errno);
    temp_.clear();
    SyncFolder(FolderOf(target_));
    return true;
}

void AtomicOutputFile::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    used_ = 0;
}

bool AtomicOutputFile::Fail(const std::string& what, int err) {
    failed_ = true;
    error_ = err != 0 ? what + ": " + std::strerror(err) : what;
    Discard();
    return false;
}

}  // namespace kivelo
