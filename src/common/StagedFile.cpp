#include "common/StagedFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstdio>

#include "common/ErrorText.h"
#include "common/WriteAll.h"

namespace kivelo {

namespace {

constexpr int kNameAttempts = 100;
// Keeps the temporary name within the file system's name limit.
constexpr std::size_t kTempBaseLength = 180;

std::string BaseNameOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsEmptyRegularFile(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0;
}

// Makes renames in folder durable; a folder that can't be synced is no reason
// to fail.
void SyncFolder(const std::string& folder) {
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.IsOpen()) ::fsync(fd.Get());
}

// ".NAME.kivelo-partial-": the start of every temporary name of a target.
std::string PartialPrefix(const std::string& targetPath) {
    return "." + BaseNameOf(targetPath).substr(0, kTempBaseLength) + std::string(StagedFile::kPartialMarker);
}

bool SameInode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Moves from to to, failing when to exists (never replaces a user's file).
bool MoveNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // File systems without the no-replace rename: a hard link fails on an existing name too.
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    ::unlink(from.c_str());
    return true;
}

}  // namespace

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

StagedFile::StagedFile(std::size_t bufferSize) : buffer_(bufferSize == 0 ? 1 : bufferSize) {}

StagedFile::~StagedFile() { Discard(); }

bool StagedFile::Create(const std::string& targetPath, Existing existing) {
    Discard();
    failed_ = false;
    error_.clear();
    errorNumber_ = 0;
    written_ = 0;
    writebackStart_ = 0;
    target_ = targetPath;
    existing_ = existing;
    if (BaseNameOf(targetPath).empty()) return Fail("No file name in " + targetPath, 0);

    // O_EXCL on a fresh name: no race with other writers and no symlink following;
    // mode 0666 lets the umask decide like for any new file.
    RemoveLeftovers(targetPath);
    const std::string folder = FolderOf(targetPath);
    const std::string prefix = folder + "/" + PartialPrefix(targetPath);
    auto seed = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                (static_cast<unsigned long long>(::getpid()) << 24);
    int err = 0;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%06llx",
                      (seed + static_cast<unsigned long long>(attempt) * 0x9E3779B9ull) & 0xFFFFFFull);
        temp_ = prefix + suffix;
        fd_.Reset(::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd_.IsOpen()) {
            err = errno;
            if (err != EEXIST) break;
            continue;
        }
        // The lock marks the file as in use. Another writer's clean-up may have
        // taken the new name away before it was locked: then try another.
        struct stat opened {};
        struct stat named {};
        if (::flock(fd_.Get(), LOCK_EX | LOCK_NB) == 0 && ::fstat(fd_.Get(), &opened) == 0 &&
            ::stat(temp_.c_str(), &named) == 0 && SameInode(opened, named))
            return true;
        fd_.Reset();
    }
    temp_.clear();
    return Fail("Cannot create a file in " + folder, err);
}

void StagedFile::RemoveLeftovers(const std::string& targetPath) {
    const std::string prefix = PartialPrefix(targetPath);
    UniqueFd folder(::open(FolderOf(targetPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.IsOpen()) return;
    DIR* dir = ::fdopendir(::dup(folder.Get()));
    if (dir == nullptr) return;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir))
        if (std::string_view(entry->d_name).starts_with(prefix)) names.emplace_back(entry->d_name);
    ::closedir(dir);
    for (const std::string& name : names) {
        UniqueFd fd(::openat(folder.Get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat opened {};
        struct stat named {};
        // Locked: its writer is alive. Unlocked: the writer died with it open.
        if (!fd.IsOpen() || ::fstat(fd.Get(), &opened) != 0 || !S_ISREG(opened.st_mode) ||
            ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        if (::fstatat(folder.Get(), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && SameInode(opened, named))
            ::unlinkat(folder.Get(), name.c_str(), 0);
    }
}

bool StagedFile::AppendSlow(std::string_view bytes) {
    if (!fd_.IsOpen() || failed_) return false;
    if (!Flush()) return false;
    if (bytes.size() >= buffer_.size()) return WriteOut(bytes.data(), bytes.size());
    std::memcpy(buffer_.data(), bytes.data(), bytes.size());
    used_ = bytes.size();
    return true;
}

bool StagedFile::Flush() {
    if (used_ == 0) return !failed_;
    bool ok = WriteOut(buffer_.data(), used_);
    used_ = 0;
    return ok;
}

bool StagedFile::WriteOut(const char* data, std::size_t size) {
    if (!fd_.IsOpen() || failed_) return false;
    if (!WriteAll(fd_.Get(), data, size)) {
        int err = errno;
        return Fail("Cannot write " + target_, err);
    }
    written_ += static_cast<int64_t>(size);
#ifdef __linux__
    // Large files go to the disk while they are still being made, so that the
    // sync of Commit finds little left to write. Only a hint: Commit syncs all.
    constexpr int64_t kWritebackBytes = int64_t{8} << 20;
    if (written_ - writebackStart_ >= kWritebackBytes) {
        ::sync_file_range(fd_.Get(), writebackStart_, written_ - writebackStart_, SYNC_FILE_RANGE_WRITE);
        writebackStart_ = written_;
    }
#endif
    return true;
}

bool StagedFile::Sync() {
    if (!fd_.IsOpen() || failed_) {
        if (error_.empty()) error_ = "Nothing to save for " + target_;
        return false;
    }
    if (!Flush()) return false;
    if (::fsync(fd_.Get()) != 0) return Fail("Cannot write " + target_, errno);
    return true;
}

bool StagedFile::Commit() {
    if (!Sync()) return false;
    if (existing_ == Existing::Replace) {
        struct stat old {};
        if (::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd_.Get(), old.st_mode & 07777);
    }
    // A power loss after the rename finds the data and its folder entry on the
    // disk already; the second sync makes the rename itself last.
    const std::string folder = FolderOf(target_);
    SyncFolder(folder);
    // The file stays open (and locked) until it has its name, so that no
    // clean-up takes it for a leftover.
    if (!PlaceFile()) return Fail("Cannot save " + target_, errno);
    temp_.clear();
    SyncFolder(folder);
    fd_.Reset();  // synced already: nothing left for the close to report
    return true;
}

bool StagedFile::PlaceFile() {
    switch (existing_) {
    case Existing::Replace: return ::rename(temp_.c_str(), target_.c_str()) == 0;
    case Existing::ReplaceEmpty:
        if (IsEmptyRegularFile(target_)) return ::rename(temp_.c_str(), target_.c_str()) == 0;
        break;
    case Existing::Keep: break;
    }
    return MoveNoReplace(temp_, target_);
}

void StagedFile::Discard() {
    fd_.Reset();
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    used_ = 0;
}

bool StagedFile::Fail(const std::string& what, int err) {
    failed_ = true;
    errorNumber_ = err;
    error_ = err != 0 ? what + ": " + PlainErrorText(err) : what;
    Discard();
    return false;
}

}  // namespace kivelo
