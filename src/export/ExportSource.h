#pragma once
// The samples of an open waveform file as the exporters need them: the record's
// traces and samples (RecordSamples), which of them an exporter can write, and
// the sample rate that WAV files and sigrok sessions state.
#include <cstdint>
#include <span>
#include <string>

#include "wavefile/RecordSamples.h"

namespace kivelo {

using ExportTrace = RecordTrace;

class ExportSource {
public:
    // The file stays the caller's and must stay open while this object is used.
    explicit ExportSource(CWaveFile& file);

    // False when a trace has a sample type no exporter can write (Message says which).
    bool Usable() const { return message_.empty(); }
    const std::string& Message() const { return message_; }

    const std::vector<ExportTrace>& Traces() const { return samples_.Traces(); }
    const std::string& Model() const { return samples_.Model(); }
    const HorzInfo& Horz() const { return samples_.Horz(); }
    int Blocks() const { return samples_.Blocks(); }
    int64_t BlockSize(int trace, int block) { return samples_.BlockSize(trace, block); }
    // round(1 / HResolution) in Hz; false with a message when it is not within
    // 1 .. 2^31 - 1 (what WAV files and sigrok sessions can state).
    bool SampleRate(int64_t& rate, std::string& message) const;
    // Date and time texts of a record (empty when it has none).
    void DateTime(int block, std::string& date, std::string& time) { samples_.DateTime(block, date, time); }

    // Reads `count` samples from `first` of a trace's record into dst (count x
    // width bytes) as stored, in host byte order. False on a short read (ReadError says why).
    bool ReadRaw(int trace, int block, int64_t first, int64_t count, std::span<uint8_t> dst) {
        return samples_.ReadRaw(trace, block, first, count, dst, readError_);
    }
    // The same samples as physical values: raw x VResolution + VOffset.
    bool ReadValues(int trace, int block, int64_t first, int64_t count, std::span<double> dst) {
        return samples_.ReadValues(trace, block, first, count, dst, readError_);
    }
    const std::string& ReadError() const { return readError_; }

private:
    RecordSamples samples_;
    std::string message_;
    std::string readError_;
};

}  // namespace kivelo
