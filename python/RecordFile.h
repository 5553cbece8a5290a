#pragma once
// One open waveform record for the Python module: its description read once at
// open, and reads of one trace's samples in their stored type. Reads take
// their block and trace and change nothing in the reader, so they share the
// lock and run at once; Close takes it alone. Callers may run them without the
// interpreter's lock.
// No exceptions: each call answers a Status with its message.
#include <cstdint>
#include <memory>
#include <optional>
#include <shared_mutex>
#include <span>
#include <string>
#include <vector>

#include "wavefile/CWaveFile.h"
#include "wavefile/RecordSamples.h"

namespace kivelo::py {

struct RecordTrace {
    std::string label;  // "W1" ..
    int index = 0;
    std::string name;
    std::string unit;
    std::string kind;  // "signed", "unsigned", "float", "logic" or "unrecognised"
    int width = 0;     // bytes per stored sample
    double vresolution = 0.0;
    double voffset = 0.0;
};

struct Status {
    enum Code { kOk, kBadArgument, kIoError, kClosed, kUnavailable };
    Code code = kOk;
    std::string message;
    int error = 0;  // errno of a system failure, else 0
    explicit operator bool() const { return code == kOk; }
};

class RecordFile {
public:
    // Null on failure, with the open flow's message and its cause in `status`.
    static std::unique_ptr<RecordFile> Open(const std::string& path, Status& status);
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    const std::string& Path() const { return path_; }
    const std::string& Model() const { return model_; }
    const HorzInfo& Horizontal() const { return horz_; }
    int Blocks() const { return blocks_; }
    const std::vector<RecordTrace>& Traces() const { return traces_; }
    // The open's warning about traces the data file holds only in part (empty: none).
    const std::string& Warning() const { return warning_; }

    // Samples of a trace in a block.
    Status BlockSize(int trace, int block, int64_t& size);
    // The longest trace's sample count in a block.
    Status LongestBlock(int block, int64_t& size);
    Status DateTime(int block, std::string& date, std::string& time);
    // `count` samples of the trace from `first` into dst (count x width bytes) in
    // the machine's byte order. The span must lie within the block.
    Status ReadRaw(int trace, int block, int64_t first, int64_t count, std::span<uint8_t> dst);
    // The same samples as physical values: raw x VResolution + VOffset.
    Status ReadValues(int trace, int block, int64_t first, int64_t count, std::span<double> dst);
    // Runs work(reader) under the lock once the span has passed the reads' checks.
    template <class Work>
    Status WithSpan(int trace, int block, int64_t first, int64_t count, Work&& work) {
        std::shared_lock lock(mutex_);
        if (Status s = CheckSpan(trace, block, first, count); !s) return s;
        return work(*file_);
    }

    void Close();
    bool IsClosed();

private:
    RecordFile() = default;
    // Open and block in range (and the trace); the lock is held.
    Status CheckBlock(int block) const;
    Status Check(int trace, int block) const;
    // The span lies within the block of a trace of a readable type; the lock is held.
    Status CheckSpan(int trace, int block, int64_t first, int64_t count);
    int64_t SizeLocked(int trace, int block);

    std::shared_mutex mutex_;
    std::unique_ptr<CWaveFile> file_;
    std::optional<kivelo::RecordSamples> samples_;  // over file_
    std::string path_;
    // The description, kept for a closed record.
    std::string model_;
    HorzInfo horz_;
    int blocks_ = 0;
    std::vector<RecordTrace> traces_;
    std::string warning_;  // the short-data warning of the open
};

}  // namespace kivelo::py
