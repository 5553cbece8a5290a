#pragma once
// The two files of a download, base + ".wvf" and base + ".hdr". Both are
// staged beside their final place and moved there only when complete, never
// over an existing file; anything unfinished is removed.
#include <cstdint>
#include <span>
#include <string>

#include "common/StagedFile.h"
#include "instrument/download/BlockSink.h"

namespace kivelo {

class DownloadOutput : public BlockSink {
public:
    // Final names for a base path without extension. The header takes the
    // lower-case ".hdr" that the reader derives from the ".wvf" name.
    static std::string DataPath(const std::string& base) { return base + ".wvf"; }
    static std::string HeaderPath(const std::string& base) { return base + ".hdr"; }

    DownloadOutput() = default;
    ~DownloadOutput() override = default;
    DownloadOutput(const DownloadOutput&) = delete;
    DownloadOutput& operator=(const DownloadOutput&) = delete;

    // Stages both files. False when either final file already exists or the
    // folder is not writable.
    bool Prepare(const std::string& base);
    // The staged header, for the header writer to fill until Commit.
    const std::string& StagedHeaderPath() const { return header_.StagedPath(); }

    bool Append(std::span<const uint8_t> bytes) override;
    bool AppendZeros(int64_t count) override;

    // Flushes both files to disk and moves them to their final names. On
    // failure nothing of this download is left in place.
    bool Commit();
    // Drops everything written so far.
    void Discard();

private:
    StagedFile data_;
    StagedFile header_{0};
};

}  // namespace kivelo
