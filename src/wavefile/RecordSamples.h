#pragma once
// The one way to read an open waveform file from outside the display: what it
// holds (traces with label, kind, width and scaling; records; time base) and the
// samples of a span of one trace in one record, in their stored type and the
// machine's byte order, or as physical values. Reads take the record and trace
// as arguments and change nothing in the reader, so several threads may read
// through one object at once. A floating file is one float trace whose values
// are its stored floats (scale 1, offset 0); realtime files give their full-rate
// samples.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "wavefile/CWaveFile.h"

namespace kivelo {

class CFldFile;
class CRtmFile;

enum class SampleKind { Signed, Unsigned, Float, Logic };

// "signed", "unsigned", "float" or "logic".
std::string_view SampleKindName(SampleKind kind);

// The C type of a trace's samples once read.
enum class SampleType { Int8, UInt8, Int16, UInt16, Int32, UInt32, Float32 };

// Calls f with a value of the type's C type (only its type matters).
template <class F>
decltype(auto) WithSampleType(SampleType type, F&& f) {
    switch (type) {
    case SampleType::Int8: return f(int8_t{});
    case SampleType::UInt8: return f(uint8_t{});
    case SampleType::Int16: return f(int16_t{});
    case SampleType::UInt16: return f(uint16_t{});
    case SampleType::Int32: return f(int32_t{});
    case SampleType::UInt32: return f(uint32_t{});
    case SampleType::Float32: break;
    }
    return f(float{});
}

struct RecordTrace {
    int index = 0;      // in file order
    std::string label;  // "W1" ..
    std::string name;
    std::string unit;
    SampleKind kind = SampleKind::Signed;
    int width = 2;  // bytes per stored sample
    double vResolution = 1.0;
    double vOffset = 0.0;
    SampleType type = SampleType::Int16;
    // False for a data type the header does not name, or floats of other than 4
    // bytes (both read as signed integers).
    bool recognised = true;
    // False when the samples' width is not 1, 2 or 4 bytes: they cannot be read.
    bool readable = true;
};

class RecordSamples {
public:
    // The file stays the caller's and must stay open while this object is used.
    explicit RecordSamples(CWaveFile& file);

    CWaveFile& File() { return file_; }
    bool IsFloating() const { return fld_ != nullptr; }
    bool IsRealtime() const { return rtm_ != nullptr; }
    const std::string& Model() const { return model_; }
    const HorzInfo& Horz() const { return horz_; }
    int Blocks() const { return blocks_; }
    const std::vector<RecordTrace>& Traces() const { return traces_; }

    // Samples of a trace in a record (0 when either is out of range).
    int64_t BlockSize(int trace, int block) const;
    // Date and time texts of a record; false when it has none.
    bool DateTime(int block, std::string& date, std::string& time) const;

    // The trace and record exist, the trace is readable and [first, first + count)
    // lies inside the record; else false with the reason in error.
    bool CheckSpan(int trace, int block, int64_t first, int64_t count, std::string& error) const;
    // count samples of the trace's record from first into dst (count x width bytes).
    // False with the reason when the span is refused or the data end early.
    bool ReadRaw(int trace, int block, int64_t first, int64_t count, std::span<uint8_t> dst, std::string& error) const;
    // The same samples as physical values: raw x VResolution + VOffset.
    bool ReadValues(int trace, int block, int64_t first, int64_t count, std::span<double> dst,
                    std::string& error) const;

private:
    bool ReadChecked(const RecordTrace& t, int block, int64_t first, int64_t count, std::span<uint8_t> dst,
                     std::string& error) const;

    CWaveFile& file_;
    CFldFile* fld_ = nullptr;
    CRtmFile* rtm_ = nullptr;
    std::string model_;
    HorzInfo horz_;
    int blocks_ = 0;
    std::vector<RecordTrace> traces_;
};

}  // namespace kivelo
