#include "analysis/SampleSource.h"

#include <algorithm>

#include "wavefile/CFldFile.h"
#include "wavefile/CRtmFile.h"

namespace kivelo {

namespace {

bool TypeOf(int width, int kind, SampleType& type) {
    const bool isUnsigned = kind == kKindUnsigned || kind == kKindBit;
    switch (width) {
    case 1: type = isUnsigned ? SampleType::UInt8 : SampleType::Int8; return true;
    case 2: type = isUnsigned ? SampleType::UInt16 : SampleType::Int16; return true;
    case 4:
        // Floats of another width are read as integers, as the value texts do.
        type = kind == kKindFloat ? SampleType::Float32 : isUnsigned ? SampleType::UInt32 : SampleType::Int32;
        return true;
    default: return false;
    }
}

}  // namespace

SampleSource::~SampleSource() {
    if (file_ == nullptr) return;
    if (rtm_ != nullptr) rtm_->SelectRegion(savedRegion_);
    file_->SetBlock(savedBlock_);
    file_->SetTrace(savedTrace_);
}

bool SampleSource::Open(CWaveFile& file, int block, int trace, std::string& error) {
    if (!file.IsOpen()) {
        error = "no file is open";
        return false;
    }
    const int traces = file.GetTraceTotalNumber(), blocks = file.GetBlockNumber();
    if (trace < 0 || trace >= traces) {
        error = "the file has no trace W" + std::to_string(trace + 1) + " (it has " + std::to_string(traces) + ")";
        return false;
    }
    if (block < 0 || block >= blocks) {
        error = "the file has no block " + std::to_string(block) + " (it has " + std::to_string(blocks) + ")";
        return false;
    }
    file_ = &file;
    fld_ = dynamic_cast<CFldFile*>(&file);
    rtm_ = dynamic_cast<CRtmFile*>(&file);
    savedBlock_ = file.GetCurrentBlock();
    savedTrace_ = file.GetCurrentTrace();
    if (rtm_ != nullptr) {
        savedRegion_ = rtm_->GetRegion();
        rtm_->SelectRegion(0);  // the full-rate samples
    }
    block_ = block;
    trace_ = trace;
    serial_ = file.OpenSerial();
    file.GetTraceInfo(trace, info_);
    HorzInfo horz;
    file.GetHorzInfo(horz);
    interval_ = horz.HResolution;
    file.SetBlock(block);
    file.SetTrace(trace);
    size_ = file.GetBlockSize();
    if (fld_ != nullptr) {
        // A floating file's trace record describes its display samples; its values are the floats.
        type_ = SampleType::Float32;
        width_ = 4;
        gain_ = 1.0;
        offset_ = 0.0;
        return true;
    }
    logic_ = info_.DataKind == kKindBit;
    width_ = info_.DataWidth;
    gain_ = info_.VResolution;
    offset_ = info_.VOffset;
    if (!TypeOf(width_, info_.DataKind, type_) && !logic_) {
        error = Label() + ": samples of " + std::to_string(width_) + " bytes cannot be read";
        return false;
    }
    return true;
}

const char* TraceKindName(const TraceInfo& info, bool floatingFile) {
    if (floatingFile || (info.DataKind == kKindFloat && info.DataWidth == 4)) return "float";
    if (info.DataKind == kKindBit) return "logic";
    return info.DataKind == kKindUnsigned ? "unsigned" : "signed";
}

bool SampleSource::CheckSpan(int64_t first, int64_t count, std::string& error) const {
    if (first < 0 || count < 0 || first > size_ || count > size_ - first) {
        error = "samples " + std::to_string(first) + " to " + std::to_string(first + count - 1) +
                " are outside block " + std::to_string(block_) + " of " + Label() + ", which holds " +
                std::to_string(size_) + " samples";
        return false;
    }
    return true;
}

bool SampleSource::ReadPiece(int64_t pos, int64_t n, const uint8_t*& bytes, std::string& error) {
    // Realtime reads start at whole frames and deliver whole pairs of samples.
    const int64_t lead = rtm_ != nullptr ? pos % 2 : 0;
    const int64_t want = rtm_ != nullptr ? (lead + n + 1) / 2 * 2 : n;
    buffer_.resize(static_cast<std::size_t>(want * width_));
    int64_t got = 0;
    if (fld_ != nullptr) {
        got = fld_->ReadFloats(
            pos, std::span(reinterpret_cast<float*>(buffer_.data()), static_cast<std::size_t>(want)));
    } else if (file_->ReadData(block_, trace_, pos - lead, want, buffer_, got, kWidthNative) != kFileOk) {
        got = 0;
    }
    if (got < lead + n) {
        error = "the file ends before sample " + std::to_string(pos + std::max<int64_t>(got - lead, 0)) + " of " +
                Label() + " in block " + std::to_string(block_);
        return false;
    }
    bytes = buffer_.data() + lead * width_;
    return true;
}

}  // namespace kivelo
