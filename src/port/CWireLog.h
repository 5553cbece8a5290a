#pragma once
// The wire log for diagnosing an instrument: every command and answer that
// passes a port, one line each with the time, as text with its line ends
// shown; binary block data is summarised by its length (one line per run of
// binary reads). Lines are appended to the file, so one log can span runs.
// Safe to use from several threads.
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "common/UniqueFd.h"

namespace kivelo {

class CWireLog {
public:
    // Opens (creates) path for appending; Ok() tells whether that worked.
    explicit CWireLog(const std::string& path);
    ~CWireLog();
    CWireLog(const CWireLog&) = delete;
    CWireLog& operator=(const CWireLog&) = delete;

    bool Ok() const { return fd_.IsOpen(); }
    const std::string& Path() const { return path_; }

    // What the program sent ('>') and what it received ('<'); a failed
    // operation adds a '!' line. binary: the bytes are block data.
    void Sent(std::span<const uint8_t> bytes, bool failed);
    void Received(std::span<const uint8_t> bytes, bool binary, bool failed);
    // Anything else worth a line ('='), such as the port being opened.
    void Note(std::string_view text);

    // Bytes as they appear in a line: printable ASCII as it is, \r \n \t and
    // \xHH for the rest.
    static std::string Shown(std::span<const uint8_t> bytes);

private:
    void Line(char kind, std::string_view text);
    void FlushBinary();

    std::string path_;
    UniqueFd fd_;
    std::mutex mutex_;
    int64_t binaryBytes_ = 0;  // block data read since the last line
    int binaryReads_ = 0;
    std::string binaryTime_;
};

}  // namespace kivelo
