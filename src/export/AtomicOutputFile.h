#pragma once
// An output file that appears under its name only when it is complete: bytes go to a
// temporary file in the target's folder and Commit() renames it into place after
// fsync. Destroying an uncommitted object removes the temporary file, so a failure
// never leaves a partial file nor damages an older file of the same name.
// Appends are buffered (1 MB by default) and written in large pieces.
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace kivelo {

class AtomicOutputFile {
public:
    explicit AtomicOutputFile(std::size_t bufferSize = std::size_t{1} << 20);
    ~AtomicOutputFile();
    AtomicOutputFile(const AtomicOutputFile&) = delete;
    AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;

    // Creates the temporary file beside targetPath. On failure Error() says why.
    bool Create(const std::string& targetPath);

    bool Append(std::string_view bytes) {
        if (bytes.size() <= buffer_.size() - used_) {
            std::memcpy(buffer_.data() + used_, bytes.data(), bytes.size());
            used_ += bytes.size();
            return true;
        }
        return AppendSlow(bytes);
    }
    bool Append(char c) { return Append(std::string_view(&c, 1)); }

    // Writes what is buffered, syncs, and renames the file to the target name. A
    // file that already had that name is replaced (its permission bits are kept).
    bool Commit();
    // Removes the temporary file; the target is left as it was.
    void Discard();

    bool IsCreated() const { return fd_ >= 0; }
    const std::string& Error() const { return error_; }
    const std::string& TargetPath() const { return target_; }

private:
    bool AppendSlow(std::string_view bytes);
    bool Flush();
    bool WriteAll(const char* data, std::size_t size);
    bool Fail(const std::string& what, int err);

    std::vector<char> buffer_;
    std::size_t used_ = 0;
    int fd_ = -1;
    bool failed_ = false;
    std::string target_;
    std::string temp_;
    std::string error_;
};

// The folder part of a path ("." when it has none).
std::string FolderOf(const std::string& path);

// write() until all bytes are out; false with errno set on an error.
bool WriteFully(int fd, const char* data, std::size_t size);

}  // namespace kivelo
