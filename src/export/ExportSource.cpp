#include "export/ExportSource.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <typeinfo>

#include "wavefile/CFldFile.h"
#include "wavefile/CRtmFile.h"
#include "wavefile/NumberText.h"

namespace kivelo {

namespace {

// Samples fetched per read, so that a piece stays within a few megabytes.
constexpr int64_t kReadPiece = int64_t{1} << 20;

template <class T>
T Load(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// raw x VResolution + VOffset for every sample, the type chosen once.
template <class T>
void Scale(const uint8_t* raw, std::span<double> dst, double resolution, double offset) {
    for (std::size_t i = 0; i < dst.size(); ++i)
        dst[i] = static_cast<double>(Load<T>(raw + i * sizeof(T))) * resolution + offset;
}

void Convert(const ExportTrace& t, const uint8_t* raw, std::span<double> dst) {
    const bool isSigned = t.kind == SampleKind::Signed;
    const double r = t.vResolution, o = t.vOffset;
    switch (t.width) {
    case 1: isSigned ? Scale<int8_t>(raw, dst, r, o) : Scale<uint8_t>(raw, dst, r, o); break;
    case 2: isSigned ? Scale<int16_t>(raw, dst, r, o) : Scale<uint16_t>(raw, dst, r, o); break;
    default:
        if (t.kind == SampleKind::Float) Scale<float>(raw, dst, r, o);
        else isSigned ? Scale<int32_t>(raw, dst, r, o) : Scale<uint32_t>(raw, dst, r, o);
        break;
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

ExportSource::ExportSource(CWaveFile& file)
    : file_(file),
      fld_(dynamic_cast<CFldFile*>(&file)),
      paired_(dynamic_cast<CRtmFile*>(&file) != nullptr),
      direct_(typeid(file) == typeid(CWaveFile) &&
              (!file.GetByteOrderConversion() ||
               (file.GetPublicInfo().Endian == "Ltl" && std::endian::native == std::endian::little))) {
    file_.GetModel(model_);
    file_.GetHorzInfo(horz_);
    blocks_ = std::max(file_.GetBlockNumber(), 0);
    const int total = std::max(file_.GetTraceTotalNumber(), 0);
    for (int t = 0; t < total; ++t) {
        TraceInfo info;
        file_.GetTraceInfo(t, info);
        ExportTrace trace;
        trace.index = t;
        trace.label = "W" + std::to_string(t + 1);
        trace.name = info.TraceName;
        trace.unit = info.VUnit;
        trace.width = info.DataWidth;
        trace.vResolution = info.VResolution;
        trace.vOffset = info.VOffset;
        switch (info.DataKind) {
        case kKindSigned: trace.kind = SampleKind::Signed; break;
        case kKindUnsigned: trace.kind = SampleKind::Unsigned; break;
        case kKindBit: trace.kind = SampleKind::Logic; break;
        case kKindFloat: trace.kind = SampleKind::Float; break;
        default: message_ = trace.label + " has a sample type that cannot be exported"; break;
        }
        if (fld_ != nullptr) {
            trace.kind = SampleKind::Float;
            trace.width = 4;
            trace.vResolution = 1.0;
            trace.vOffset = 0.0;
        }
        const bool widthOk = trace.kind == SampleKind::Float
                                 ? trace.width == 4
                                 : (trace.width == 1 || trace.width == 2 || trace.width == 4);
        if (!widthOk && message_.empty())
            message_ = trace.label + " has " + std::to_string(trace.width) + "-byte samples, which cannot be exported";
        traces_.push_back(std::move(trace));
    }
}

int64_t ExportSource::BlockSize(int trace, int block) {
    if (trace < 0 || trace >= static_cast<int>(traces_.size()) || block < 0 || block >= blocks_) return 0;
    if (fld_ != nullptr) return fld_->GetSampleCount();
    file_.SetBlock(block);
    file_.SetTrace(trace);
    return std::max<int64_t>(file_.GetBlockSize(), 0);
}

bool ExportSource::SampleRate(int64_t& rate, std::string& message) const {
    constexpr double kMaxRate = 2147483647.0;
    const double hz = horz_.HResolution > 0.0 ? std::round(1.0 / horz_.HResolution) : 0.0;
    if (!(hz >= 1.0 && hz <= kMaxRate)) {
        message = "The sample rate 1 / HResolution (HResolution " + FormatCrt("%G", horz_.HResolution) +
                  ") is not within 1 Hz .. 2147483647 Hz";
        return false;
    }
    rate = static_cast<int64_t>(hz);
    return true;
}

void ExportSource::DateTime(int block, std::string& date, std::string& time) {
    if (file_.GetDateTime(block, date, time) != kFileOk) {
        date.clear();
        time.clear();
    }
}

bool ExportSource::ReadRaw(int trace, int block, int64_t first, int64_t count, std::span<uint8_t> dst) {
    if (trace < 0 || trace >= static_cast<int>(traces_.size()) || first < 0 || count < 0) return false;
    const int width = traces_[static_cast<std::size_t>(trace)].width;
    if (static_cast<int64_t>(dst.size()) < count * width) return false;
    if (fld_ != nullptr) {
        auto* values = reinterpret_cast<float*>(dst.data());
        return fld_->ReadFloats(first, std::span(values, static_cast<std::size_t>(count))) == count;
    }
    if (direct_) {
        // Stored as the host keeps them: straight from the file into dst, one copy less.
        file_.SetBlock(block);
        file_.SetTrace(trace);
        int64_t got = 0;
        return file_.ReadRaw(first * width, count * width, dst.first(static_cast<std::size_t>(count * width)), got) ==
                   kFileOk &&
               got == count * width;
    }
    // A realtime file delivers whole pairs from an even position: an odd start
    // or count is read through a pair-aligned window.
    const int64_t lead = paired_ ? first % 2 : 0;
    int64_t done = 0;
    while (done < count) {
        const int64_t want = std::min(count - done, kReadPiece);
        const int64_t from = first + done - (done == 0 ? lead : 0);
        const int64_t skip = first + done - from;
        int64_t asked = want + skip;
        if (paired_) asked += asked % 2;
        std::span<uint8_t> piece = dst.subspan(static_cast<std::size_t>(done * width));
        if (skip > 0 || asked > want) {
            pairBuffer_.resize(static_cast<std::size_t>(asked * width));
            piece = pairBuffer_;
        }
        int64_t got = 0;
        if (file_.ReadData(block, trace, from, asked, piece.first(static_cast<std::size_t>(asked * width)), got,
                           kWidthNative) != kFileOk ||
            got < want + skip)
            return false;
        if (piece.data() == pairBuffer_.data())
            std::memcpy(dst.data() + done * width, pairBuffer_.data() + skip * width,
                        static_cast<std::size_t>(want * width));
        done += want;
    }
    return true;
}

bool ExportSource::ReadValues(int trace, int block, int64_t first, int64_t count, std::span<double> dst) {
    if (trace < 0 || trace >= static_cast<int>(traces_.size()) || static_cast<int64_t>(dst.size()) < count)
        return false;
    const ExportTrace& t = traces_[static_cast<std::size_t>(trace)];
    int64_t done = 0;
    while (done < count) {
        const int64_t want = std::min(count - done, kReadPiece);
        rawBuffer_.resize(static_cast<std::size_t>(want * t.width));
        if (!ReadRaw(trace, block, first + done, want, rawBuffer_)) return false;
        Convert(t, rawBuffer_.data(), dst.subspan(static_cast<std::size_t>(done), static_cast<std::size_t>(want)));
        done += want;
    }
    return true;
}

}  // namespace kivelo
