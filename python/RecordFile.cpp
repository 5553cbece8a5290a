#include "RecordFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "wavefile/CRtmFile.h"
#include "wavefile/WaveDocument.h"

namespace kivelo::py {
namespace {

// Realtime reads go through a bounded buffer of whole frames.
constexpr int64_t kPieceSamples = int64_t{1} << 20;

std::string FieldText(std::string text) {
    if (const size_t nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return text;
}

const char* KindName(int kind) {
    switch (kind) {
    case kKindSigned: return "signed";
    case kKindFloat: return "float";
    case kKindBit: return "logic";
    case kKindUnsigned: return "unsigned";
    default: return "unrecognised";
    }
}

bool Readable(const RecordTrace& t) {
    if (t.kind == "float") return t.width == 4;
    return t.kind != "unrecognised" && (t.width == 1 || t.width == 2 || t.width == 4);
}

Status Fail(Status::Code code, std::string message, int error = 0) { return {code, std::move(message), error}; }

// The errno behind a failed open, when the file itself cannot be had (0 otherwise):
// Python then raises the matching OSError subclass.
int OpenErrno(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno;
    return S_ISDIR(st.st_mode) ? EISDIR : 0;
}

template <class T>
void ToValues(const uint8_t* raw, int64_t n, double res, double off, double* out) {
    for (int64_t i = 0; i < n; ++i) {
        T v;
        std::memcpy(&v, raw + i * sizeof(T), sizeof(T));
        out[i] = static_cast<double>(v) * res + off;
    }
}

void ToValues(const RecordTrace& t, std::span<const uint8_t> raw, std::span<double> out) {
    const auto n = static_cast<int64_t>(out.size());
    const bool isSigned = t.kind == "signed";
    if (t.kind == "float") return ToValues<float>(raw.data(), n, t.vresolution, t.voffset, out.data());
    switch (t.width) {
    case 1:
        return isSigned ? ToValues<int8_t>(raw.data(), n, t.vresolution, t.voffset, out.data())
                        : ToValues<uint8_t>(raw.data(), n, t.vresolution, t.voffset, out.data());
    case 2:
        return isSigned ? ToValues<int16_t>(raw.data(), n, t.vresolution, t.voffset, out.data())
                        : ToValues<uint16_t>(raw.data(), n, t.vresolution, t.voffset, out.data());
    default:
        return isSigned ? ToValues<int32_t>(raw.data(), n, t.vresolution, t.voffset, out.data())
                        : ToValues<uint32_t>(raw.data(), n, t.vresolution, t.voffset, out.data());
    }
}

}  // namespace

std::unique_ptr<RecordFile> RecordFile::Open(const std::string& path, Status& status) {
    OpenFailure failure;
    std::unique_ptr<RecordFile> record(new RecordFile());
    record->file_ = MakeReaderFor(path, failure);
    if (!record->file_) {
        status = Fail(Status::kBadArgument, FailedOpenMessage(failure.cause));
        return nullptr;
    }
    CWaveFile& file = *record->file_;
    // Cache capacity 0: reads go straight to the caller's memory.
    if (file.Open(path, 0) != kOpenOk) {
        status = Fail(Status::kIoError, FailedOpenMessage(file.GetOpenFailure().cause), OpenErrno(path));
        return nullptr;
    }
    record->path_ = path;
    record->realtime_ = dynamic_cast<CRtmFile*>(&file) != nullptr;
    record->floating_ = dynamic_cast<CFldFile*>(&file) != nullptr;
    record->warning_ = file.GetShortDataWarning();
    file.GetModel(record->model_);
    record->model_ = FieldText(record->model_);
    file.GetHorzInfo(record->horz_);
    record->horz_.HUnit = FieldText(record->horz_.HUnit);
    record->blocks_ = file.GetBlockNumber();
    const int traces = file.GetTraceTotalNumber();
    for (int t = 0; t < traces; ++t) {
        TraceInfo info;
        file.GetTraceInfo(t, info);
        RecordTrace r;
        r.label = "W" + std::to_string(t + 1);
        r.index = t;
        r.name = FieldText(info.TraceName);
        r.unit = FieldText(info.VUnit);
        r.kind = KindName(info.DataKind);
        r.width = info.DataWidth;
        r.vresolution = info.VResolution;
        r.voffset = info.VOffset;
        if (record->floating_) {
            // Its samples are the stored floats themselves; the file class's
            // scaling describes 16-bit display samples only.
            r.kind = "float";
            r.width = 4;
            r.vresolution = 1.0;
            r.voffset = 0.0;
        }
        record->traces_.push_back(std::move(r));
    }
    status = {};
    return record;
}

RecordFile::~RecordFile() { Close(); }

void RecordFile::Close() {
    std::lock_guard lock(mutex_);
    if (file_) file_->Close();
    file_.reset();
    work_ = {};
}

bool RecordFile::IsClosed() {
    std::lock_guard lock(mutex_);
    return !file_;
}

Status RecordFile::CheckBlock(int block) const {
    if (!file_) return Fail(Status::kClosed, "I/O operation on a closed record");
    if (block < 0 || block >= blocks_)
        return Fail(Status::kBadArgument,
                    "the record has no block " + std::to_string(block) + " (it has " + std::to_string(blocks_) + ")");
    return {};
}

Status RecordFile::Check(int trace, int block) const {
    if (Status s = CheckBlock(block); !s) return s;
    if (trace < 0 || trace >= static_cast<int>(traces_.size()))
        return Fail(Status::kBadArgument, "the record has no trace " + std::to_string(trace) + " (it has " +
                                              std::to_string(traces_.size()) + ")");
    return {};
}

int64_t RecordFile::SizeLocked(int trace, int block) {
    file_->SetBlock(block);
    file_->SetTrace(trace);
    return file_->GetBlockSize();
}

Status RecordFile::BlockSize(int trace, int block, int64_t& size) {
    std::lock_guard lock(mutex_);
    if (Status s = Check(trace, block); !s) return s;
    size = SizeLocked(trace, block);
    return {};
}

Status RecordFile::LongestBlock(int block, int64_t& size) {
    std::lock_guard lock(mutex_);
    size = 0;
    if (Status s = CheckBlock(block); !s) return s;
    for (int t = 0; t < static_cast<int>(traces_.size()); ++t) size = std::max(size, SizeLocked(t, block));
    return {};
}

Status RecordFile::DateTime(int block, std::string& date, std::string& time) {
    std::lock_guard lock(mutex_);
    if (Status s = CheckBlock(block); !s) return s;
    if (file_->GetDateTime(block, date, time) != kFileOk)
        return Fail(Status::kBadArgument, "the record has no block " + std::to_string(block));
    date = FieldText(date);
    time = FieldText(time);
    return {};
}

Status RecordFile::CheckSpan(int trace, int block, int64_t first, int64_t count) {
    if (Status s = Check(trace, block); !s) return s;
    const RecordTrace& t = traces_[static_cast<std::size_t>(trace)];
    if (!Readable(t))
        return Fail(Status::kBadArgument, t.label + " holds samples of type " + t.kind + " of " +
                                              std::to_string(t.width) + " bytes, which cannot be read");
    const int64_t size = SizeLocked(trace, block);
    if (first < 0 || count < 0 || first > size || count > size - first)
        return Fail(Status::kBadArgument, "samples " + std::to_string(first) + " .. " + std::to_string(first + count) +
                                              " are outside block " + std::to_string(block) + " of " + t.label +
                                              ", which holds " + std::to_string(size) + " samples");
    return {};
}

Status RecordFile::ReadPairs(int trace, int64_t first, int64_t count, std::span<uint8_t> dst) {
    const auto w = static_cast<std::size_t>(traces_[static_cast<std::size_t>(trace)].width);
    int64_t done = 0;
    while (done < count) {
        const int64_t pos = first + done;
        const int64_t start = pos - pos % 2;
        const int64_t want = std::min(count - done, kPieceSamples);
        const int64_t span = (pos + want + 1) / 2 * 2 - start;
        std::span<uint8_t> out = dst.subspan(static_cast<std::size_t>(done) * w, static_cast<std::size_t>(want) * w);
        // Whole pairs go straight to the caller's memory; a piece with half a
        // pair at either end goes through the work buffer.
        const bool direct = start == pos && span == want;
        if (!direct && work_.size() < static_cast<std::size_t>(span) * w)
            work_.resize(static_cast<std::size_t>(span) * w);
        std::span<uint8_t> into = direct ? out : std::span(work_).first(static_cast<std::size_t>(span) * w);
        int64_t got = 0;
        if (file_->ReadData(0, trace, start, span, into, got, kWidthNative) != kFileOk || got < pos + want - start)
            return Fail(Status::kIoError, "the data file ends before sample " + std::to_string(first + count) + " of " +
                                              traces_[static_cast<std::size_t>(trace)].label);
        if (!direct) std::memcpy(out.data(), work_.data() + static_cast<std::size_t>(pos - start) * w, out.size());
        done += want;
    }
    return {};
}

Status RecordFile::ReadLocked(int trace, int block, int64_t first, int64_t count, std::span<uint8_t> dst) {
    if (count == 0) return {};
    const RecordTrace& t = traces_[static_cast<std::size_t>(trace)];
    if (realtime_) return ReadPairs(trace, first, count, dst);
    int64_t got = 0;
    bool ok = false;
    if (floating_) {
        // Stored floats in the machine's order: straight into the caller's memory.
        got = static_cast<CFldFile&>(*file_).ReadFloats(
            first, std::span(reinterpret_cast<float*>(dst.data()), static_cast<std::size_t>(count)));
        ok = true;
    } else {
        ok = file_->ReadData(block, trace, first, count, dst, got, kWidthNative) == kFileOk;
    }
    if (!ok) return Fail(Status::kIoError, std::string("reading ") + t.label + " failed: " + std::strerror(EIO), EIO);
    if (got < count)
        return Fail(Status::kIoError, "the data file ends before sample " + std::to_string(first + count) + " of " +
                                          t.label + " (it holds " + std::to_string(first + got) + ")");
    return {};
}

Status RecordFile::ReadRaw(int trace, int block, int64_t first, int64_t count, std::span<uint8_t> dst) {
    std::lock_guard lock(mutex_);
    if (Status s = CheckSpan(trace, block, first, count); !s) return s;
    const auto w = traces_[static_cast<std::size_t>(trace)].width;
    if (static_cast<int64_t>(dst.size()) < count * w) return Fail(Status::kBadArgument, "destination too small");
    return ReadLocked(trace, block, first, count, dst.first(static_cast<std::size_t>(count * w)));
}

Status RecordFile::ReadValues(int trace, int block, int64_t first, int64_t count, std::span<double> dst) {
    std::lock_guard lock(mutex_);
    if (Status s = CheckSpan(trace, block, first, count); !s) return s;
    if (static_cast<int64_t>(dst.size()) < count) return Fail(Status::kBadArgument, "destination too small");
    const RecordTrace& t = traces_[static_cast<std::size_t>(trace)];
    const auto w = static_cast<std::size_t>(t.width);
    // In pieces: the raw samples never need a buffer of the whole span.
    std::vector<uint8_t> raw;
    for (int64_t done = 0; done < count;) {
        const int64_t n = std::min(count - done, kPieceSamples);
        raw.resize(static_cast<std::size_t>(n) * w);
        if (Status s = ReadLocked(trace, block, first + done, n, raw); !s) return s;
        ToValues(t, raw, dst.subspan(static_cast<std::size_t>(done), static_cast<std::size_t>(n)));
        done += n;
    }
    return {};
}

}  // namespace kivelo::py
