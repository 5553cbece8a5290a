#include "RecordFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <shared_mutex>

#include "wavefile/WaveDocument.h"

namespace kivelo::py {
namespace {

Status Fail(Status::Code code, std::string message, int error = 0) { return {code, std::move(message), error}; }

// The errno that makes OSError the fitting subclass (FileNotFoundError ...) when
// the path itself is the trouble; 0 when it is the file's content.
int PathErrno(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno;
    return S_ISDIR(st.st_mode) ? EISDIR : 0;
}

}  // namespace

std::unique_ptr<RecordFile> RecordFile::Open(const std::string& path, Status& status) {
    OpenFailure failure;
    std::unique_ptr<CWaveFile> file = MakeReaderFor(path, failure);
    // Cache capacity 0: reads go straight to the caller's memory.
    if (file && file->Open(path, 0) != kOpenOk) failure = file->GetOpenFailure();
    else if (file) failure = {};
    if (!file || !file->IsOpen()) {
        const Status::Code code = file ? Status::kIoError : Status::kBadArgument;
        status = Fail(code, FailedOpenMessage(failure.cause), file ? PathErrno(path) : 0);
        return nullptr;
    }
    std::unique_ptr<RecordFile> record(new RecordFile());
    record->file_ = std::move(file);
    record->samples_.emplace(*record->file_);
    record->path_ = path;
    record->warning_ = record->file_->GetShortDataWarning();
    record->model_ = record->samples_->Model();
    record->horz_ = record->samples_->Horz();
    record->blocks_ = record->samples_->Blocks();
    for (const kivelo::RecordTrace& t : record->samples_->Traces()) {
        RecordTrace r;
        r.label = t.label;
        r.index = t.index;
        r.name = t.name;
        r.unit = t.unit;
        r.kind = t.recognised ? std::string(SampleKindName(t.kind)) : "unrecognised";
        r.width = t.width;
        r.vresolution = t.vResolution;
        r.voffset = t.vOffset;
        record->traces_.push_back(std::move(r));
    }
    status = {};
    return record;
}

RecordFile::~RecordFile() { Close(); }

void RecordFile::Close() {
    std::unique_lock lock(mutex_);
    samples_.reset();
    if (file_) file_->Close();
    file_.reset();
}

bool RecordFile::IsClosed() {
    std::shared_lock lock(mutex_);
    return !file_;
}

Status RecordFile::CheckBlock(int block) const {
    if (!file_) return Fail(Status::kClosed, "I/O operation on a closed record");
    if (block < 0 || block >= Blocks())
        return Fail(Status::kBadArgument,
                    "the record has no block " + std::to_string(block) + " (it has " + std::to_string(Blocks()) + ")");
    return {};
}

Status RecordFile::Check(int trace, int block) const {
    if (Status s = CheckBlock(block); !s) return s;
    if (trace < 0 || trace >= static_cast<int>(traces_.size()))
        return Fail(Status::kBadArgument, "the record has no trace " + std::to_string(trace) + " (it has " +
                                              std::to_string(traces_.size()) + ")");
    return {};
}

int64_t RecordFile::SizeLocked(int trace, int block) { return samples_->BlockSize(trace, block); }

Status RecordFile::BlockSize(int trace, int block, int64_t& size) {
    std::shared_lock lock(mutex_);
    if (Status s = Check(trace, block); !s) return s;
    size = SizeLocked(trace, block);
    return {};
}

Status RecordFile::LongestBlock(int block, int64_t& size) {
    std::shared_lock lock(mutex_);
    size = 0;
    if (Status s = CheckBlock(block); !s) return s;
    for (int t = 0; t < static_cast<int>(traces_.size()); ++t) size = std::max(size, SizeLocked(t, block));
    return {};
}

Status RecordFile::DateTime(int block, std::string& date, std::string& time) {
    std::shared_lock lock(mutex_);
    if (Status s = CheckBlock(block); !s) return s;
    if (!samples_->DateTime(block, date, time))
        return Fail(Status::kBadArgument, "the record has no block " + std::to_string(block));
    return {};
}

Status RecordFile::CheckSpan(int trace, int block, int64_t first, int64_t count) {
    if (Status s = Check(trace, block); !s) return s;
    const RecordTrace& t = traces_[static_cast<std::size_t>(trace)];
    if (t.kind == "unrecognised" || !samples_->Traces()[static_cast<std::size_t>(trace)].readable)
        return Fail(Status::kBadArgument, t.label + " holds samples of type " + t.kind + " of " +
                                              std::to_string(t.width) + " bytes, which cannot be read");
    const int64_t size = SizeLocked(trace, block);
    if (first < 0 || count < 0 || first > size || count > size - first)
        return Fail(Status::kBadArgument, "samples " + std::to_string(first) + " .. " + std::to_string(first + count) +
                                              " are outside block " + std::to_string(block) + " of " + t.label +
                                              ", which holds " + std::to_string(size) + " samples");
    return {};
}

Status RecordFile::ReadRaw(int trace, int block, int64_t first, int64_t count, std::span<uint8_t> dst) {
    std::shared_lock lock(mutex_);
    if (Status s = CheckSpan(trace, block, first, count); !s) return s;
    const auto w = traces_[static_cast<std::size_t>(trace)].width;
    if (static_cast<int64_t>(dst.size()) < count * w) return Fail(Status::kBadArgument, "destination too small");
    std::string error;
    if (!samples_->ReadRaw(trace, block, first, count, dst, error)) return Fail(Status::kIoError, error, EIO);
    return {};
}

Status RecordFile::ReadValues(int trace, int block, int64_t first, int64_t count, std::span<double> dst) {
    std::shared_lock lock(mutex_);
    if (Status s = CheckSpan(trace, block, first, count); !s) return s;
    if (static_cast<int64_t>(dst.size()) < count) return Fail(Status::kBadArgument, "destination too small");
    std::string error;
    if (!samples_->ReadValues(trace, block, first, count, dst, error)) return Fail(Status::kIoError, error, EIO);
    return {};
}

}  // namespace kivelo::py
