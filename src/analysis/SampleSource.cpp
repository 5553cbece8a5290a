#include "analysis/SampleSource.h"

#include <algorithm>

#include "wavefile/CRtmFile.h"

namespace kivelo {

const char* TraceKindName(const RecordTrace& trace) {
    if (!trace.recognised) return "signed";
    switch (trace.kind) {
    case SampleKind::Unsigned: return "unsigned";
    case SampleKind::Float: return "float";
    case SampleKind::Logic: return "logic";
    case SampleKind::Signed: break;
    }
    return "signed";
}

bool SampleSource::Open(CWaveFile& file, int block, int trace, std::string& error) {
    if (!file.IsOpen()) {
        error = "no file is open";
        return false;
    }
    samples_.emplace(file);
    block_ = block;
    trace_ = trace;
    serial_ = file.OpenSerial();
    if (!samples_->CheckSpan(trace, block, 0, 0, error)) {
        samples_.reset();
        return false;
    }
    size_ = samples_->BlockSize(trace, block);
    return true;
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

bool SampleSource::ReadPiece(std::span<uint8_t> buffer, int64_t pos, int64_t n, std::string& error) const {
    return samples_->ReadRaw(trace_, block_, pos, n, buffer.first(static_cast<std::size_t>(n * trace().width)), error);
}

}  // namespace kivelo
