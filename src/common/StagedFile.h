#pragma once
// A new file that appears under its name only when it is complete: bytes go to
// a temporary file created beside the target, and Commit() syncs it and the
// folder and only then renames it into place. Destroying an uncommitted object
// removes the temporary file, so a failure never leaves a partial file nor
// damages an older file of the same name. Appends are buffered (1 MB by default).
//
// The temporary file is ".NAME.kivelo-partial-XXXXXX": hidden, and saying what
// it is to a user who finds one. Its writer holds a lock on it; one that is
// found unlocked was left by a writer that was killed, and the next Create for
// the same NAME removes it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/UniqueFd.h"

namespace kivelo {

class StagedFile {
public:
    // What Commit does when a file already has the target's name.
    enum class Existing {
        // Fail and leave it alone (the default: no file of the user's is lost).
        Keep,
        // Replace it; its permission bits are kept.
        Replace,
        // Replace it only when it is an empty regular file.
        ReplaceEmpty,
    };

    explicit StagedFile(std::size_t bufferSize = std::size_t{1} << 20);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // What the temporary files of a target's name contain between the name and the random end.
    static constexpr std::string_view kPartialMarker = ".kivelo-partial-";

    // Removes what writers of targetPath that were killed left behind.
    static void RemoveLeftovers(const std::string& targetPath);

    // Creates the temporary file beside targetPath (after RemoveLeftovers). On
    // failure Error() says why.
    bool Create(const std::string& targetPath, Existing existing = Existing::Keep);

    bool Append(std::string_view bytes) {
        if (bytes.size() <= buffer_.size() - used_) {
            std::memcpy(buffer_.data() + used_, bytes.data(), bytes.size());
            used_ += bytes.size();
            return true;
        }
        return AppendSlow(bytes);
    }
    bool Append(std::span<const uint8_t> bytes) {
        return Append(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    bool Append(char c) { return Append(std::string_view(&c, 1)); }

    // Writes what is buffered and syncs the file; Commit does this itself.
    bool Sync();
    // Syncs and renames the file to the target name as Create was told.
    bool Commit();
    // Removes the temporary file; the target is left as it was.
    void Discard();

    const std::string& Error() const { return error_; }
    // The errno of the failure Error() describes, 0 when there was none.
    int ErrorNumber() const { return errorNumber_; }
    const std::string& TargetPath() const { return target_; }
    // The temporary file, for a writer that opens its output by name.
    const std::string& StagedPath() const { return temp_; }

private:
    bool AppendSlow(std::string_view bytes);
    bool Flush();
    bool WriteOut(const char* data, std::size_t size);
    bool PlaceFile();
    bool Fail(const std::string& what, int err);

    std::vector<char> buffer_;
    std::size_t used_ = 0;
    int64_t written_ = 0;         // bytes handed to the file so far
    int64_t writebackStart_ = 0;  // where the writeback not yet asked for begins
    UniqueFd fd_;
    Existing existing_ = Existing::Keep;
    bool failed_ = false;
    std::string target_;
    std::string temp_;
    std::string error_;
    int errorNumber_ = 0;
};

// The folder part of a path ("." when it has none).
std::string FolderOf(const std::string& path);

}  // namespace kivelo
