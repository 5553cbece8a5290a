#include "instrument/download/DownloadOutput.h"

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <array>
#include <cerrno>

namespace kivelo {

namespace {

bool Exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 || errno != ENOENT;
}

}  // namespace

bool DownloadOutput::Prepare(const std::string& base) {
    Discard();
    if (base.empty() || Exists(DataPath(base)) || Exists(HeaderPath(base))) return false;
    if (!header_.Create(HeaderPath(base)) || !data_.Create(DataPath(base))) {
        Discard();
        return false;
    }
    return true;
}

bool DownloadOutput::Append(std::span<const uint8_t> bytes) { return data_.Append(bytes); }

bool DownloadOutput::AppendZeros(int64_t count) {
    static constexpr std::array<uint8_t, 4096> kZeros{};
    while (count > 0) {
        const auto n = static_cast<size_t>(std::min<int64_t>(count, kZeros.size()));
        if (!Append(std::span(kZeros.data(), n))) return false;
        count -= static_cast<int64_t>(n);
    }
    return true;
}

bool DownloadOutput::Commit() {
    // Both on disk before either takes its name.
    if (!data_.Sync() || !header_.Sync() || !data_.Commit()) {
        Discard();
        return false;
    }
    if (!header_.Commit()) {
        // Take back the data file just placed: a pair is complete or absent.
        unlink(data_.TargetPath().c_str());
        return false;
    }
    return true;
}

void DownloadOutput::Discard() {
    data_.Discard();
    header_.Discard();
}

}  // namespace kivelo
