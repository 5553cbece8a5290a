#include "wavefile/RecordSamples.h"

#include <algorithm>
#include <cstring>

#include "wavefile/CFldFile.h"
#include "wavefile/CRtmFile.h"

namespace kivelo {

namespace {

// Samples per read, so that the work buffer of realtime reads stays small.
constexpr int64_t kPiece = int64_t{1} << 20;

std::string FieldText(std::string text) {
    if (const std::size_t nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return text;
}

SampleType TypeOf(int width, bool isUnsigned, bool isFloat) {
    switch (width) {
    case 1: return isUnsigned ? SampleType::UInt8 : SampleType::Int8;
    case 2: return isUnsigned ? SampleType::UInt16 : SampleType::Int16;
    default: return isFloat ? SampleType::Float32 : isUnsigned ? SampleType::UInt32 : SampleType::Int32;
    }
}

RecordTrace TraceOf(int index, const TraceInfo& info, bool floating) {
    RecordTrace t;
    t.index = index;
    t.label = "W" + std::to_string(index + 1);
    t.name = FieldText(info.TraceName);
    t.unit = FieldText(info.VUnit);
    t.width = info.DataWidth;
    t.vResolution = info.VResolution;
    t.vOffset = info.VOffset;
    switch (info.DataKind) {
    case kKindUnsigned: t.kind = SampleKind::Unsigned; break;
    case kKindBit: t.kind = SampleKind::Logic; break;
    case kKindFloat:
        // Only 4-byte floats are known; others are read as signed integers, as the value texts do.
        if (info.DataWidth == 4) t.kind = SampleKind::Float;
        else t.recognised = false;
        break;
    case kKindSigned: break;
    default: t.recognised = false; break;
    }
    if (floating) {
        // Its trace record describes 16-bit display samples; its values are the floats.
        t.kind = SampleKind::Float;
        t.width = 4;
        t.vResolution = 1.0;
        t.vOffset = 0.0;
    }
    t.readable = t.width == 1 || t.width == 2 || t.width == 4;
    t.type =
        TypeOf(t.width, t.kind == SampleKind::Unsigned || t.kind == SampleKind::Logic, t.kind == SampleKind::Float);
    return t;
}

template <class T>
void Scale(const uint8_t* raw, std::span<double> dst, double resolution, double offset) {
    for (std::size_t i = 0; i < dst.size(); ++i) {
        T v;
        std::memcpy(&v, raw + i * sizeof(T), sizeof(T));
        dst[i] = static_cast<double>(v) * resolution + offset;
    }
}

}  // namespace

std::string_view SampleKindName(SampleKind kind) {
    switch (kind) {
    case SampleKind::Signed: return "signed";
    case SampleKind::Unsigned: return "unsigned";
    case SampleKind::Float: return "float";
    case SampleKind::Logic: return "logic";
    }
    return "signed";
}

RecordSamples::RecordSamples(CWaveFile& file)
    : file_(file), fld_(dynamic_cast<CFldFile*>(&file)), rtm_(dynamic_cast<CRtmFile*>(&file)) {
    file_.GetModel(model_);
    model_ = FieldText(model_);
    file_.GetHorzInfo(horz_);
    horz_.HUnit = FieldText(horz_.HUnit);
    blocks_ = std::max(file_.GetBlockNumber(), 0);
    const int total = std::max(file_.GetTraceTotalNumber(), 0);
    for (int t = 0; t < total; ++t) {
        TraceInfo info;
        file_.GetTraceInfo(t, info);
        traces_.push_back(TraceOf(t, info, fld_ != nullptr));
    }
}

int64_t RecordSamples::BlockSize(int trace, int block) const {
    if (trace < 0 || trace >= static_cast<int>(traces_.size()) || block < 0 || block >= blocks_) return 0;
    if (fld_ != nullptr) return fld_->GetSampleCount();
    return std::max<int64_t>(file_.GetBlockSize(block, trace), 0);
}

bool RecordSamples::DateTime(int block, std::string& date, std::string& time) const {
    if (block < 0 || block >= blocks_ || file_.GetDateTime(block, date, time) != kFileOk) {
        date.clear();
        time.clear();
        return false;
    }
    date = FieldText(date);
    time = FieldText(time);
    return true;
}

bool RecordSamples::CheckSpan(int trace, int block, int64_t first, int64_t count, std::string& error) const {
    const int traces = static_cast<int>(traces_.size());
    if (trace < 0 || trace >= traces) {
        error = "the file has no trace W" + std::to_string(trace + 1) + " (it has " + std::to_string(traces) + ")";
        return false;
    }
    if (block < 0 || block >= blocks_) {
        error = "the file has no block " + std::to_string(block) + " (it has " + std::to_string(blocks_) + ")";
        return false;
    }
    const RecordTrace& t = traces_[static_cast<std::size_t>(trace)];
    if (!t.readable) {
        error = t.label + ": samples of " + std::to_string(t.width) + " bytes cannot be read";
        return false;
    }
    const int64_t size = BlockSize(trace, block);
    if (first < 0 || count < 0 || first > size || count > size - first) {
        error = "samples " + std::to_string(first) + " to " + std::to_string(first + count - 1) +
                " are outside block " + std::to_string(block) + " of " + t.label + ", which holds " +
                std::to_string(size) + " samples";
        return false;
    }
    return true;
}

bool RecordSamples::ReadRaw(int trace, int block, int64_t first, int64_t count, std::span<uint8_t> dst,
                            std::string& error) const {
    if (!CheckSpan(trace, block, first, count, error)) return false;
    const RecordTrace& t = traces_[static_cast<std::size_t>(trace)];
    if (static_cast<int64_t>(dst.size()) < count * t.width) {
        error = "the destination holds fewer than " + std::to_string(count) + " samples";
        return false;
    }
    return ReadChecked(t, block, first, count, dst, error);
}

bool RecordSamples::ReadChecked(const RecordTrace& t, int block, int64_t first, int64_t count, std::span<uint8_t> dst,
                                std::string& error) const {
    const auto w = static_cast<std::size_t>(t.width);
    std::vector<uint8_t> work;
    for (int64_t done = 0; done < count;) {
        const int64_t pos = first + done;
        const int64_t want = std::min(count - done, kPiece);
        auto out = dst.subspan(static_cast<std::size_t>(done) * w, static_cast<std::size_t>(want) * w);
        int64_t got = 0;
        bool ok = true;
        if (fld_ != nullptr) {
            got =
                fld_->ReadFloats(pos, std::span(reinterpret_cast<float*>(out.data()), static_cast<std::size_t>(want)));
            ok = got >= 0;
        } else if (rtm_ != nullptr) {
            // Realtime reads start at whole frames and deliver whole pairs of samples.
            // A piece of whole pairs goes straight to the caller's memory.
            const int64_t lead = pos % 2;
            const int64_t span = (lead + want + 1) / 2 * 2;
            const bool direct = lead == 0 && span == want;
            if (!direct) work.resize(static_cast<std::size_t>(span) * w);
            std::span<uint8_t> into = direct ? out : std::span<uint8_t>(work);
            ok = file_.ReadData(block, t.index, pos - lead, span, into, got, kWidthNative) == kFileOk;
            got = std::min(got - lead, want);
            if (ok && got > 0 && !direct)
                std::memcpy(out.data(), work.data() + lead * w, static_cast<std::size_t>(got) * w);
        } else {
            // Samples stored as the machine keeps them are read straight into dst.
            ok = file_.ReadData(block, t.index, pos, want, out, got, kWidthNative) == kFileOk;
        }
        if (!ok || got < want) {
            error = "the data file ends before sample " + std::to_string(pos + std::max<int64_t>(got, 0)) + " of " +
                    t.label + " in block " + std::to_string(block);
            return false;
        }
        done += want;
    }
    return true;
}

bool RecordSamples::ReadValues(int trace, int block, int64_t first, int64_t count, std::span<double> dst,
                               std::string& error) const {
    if (!CheckSpan(trace, block, first, count, error)) return false;
    if (static_cast<int64_t>(dst.size()) < count) {
        error = "the destination holds fewer than " + std::to_string(count) + " values";
        return false;
    }
    const RecordTrace& t = traces_[static_cast<std::size_t>(trace)];
    std::vector<uint8_t> raw;
    for (int64_t done = 0; done < count;) {
        const int64_t n = std::min(count - done, kPiece);
        raw.resize(static_cast<std::size_t>(n * t.width));
        if (!ReadChecked(t, block, first + done, n, raw, error)) return false;
        auto out = dst.subspan(static_cast<std::size_t>(done), static_cast<std::size_t>(n));
        WithSampleType(t.type,
                       [&](auto sample) { Scale<decltype(sample)>(raw.data(), out, t.vResolution, t.vOffset); });
        done += n;
    }
    return true;
}

}  // namespace kivelo
