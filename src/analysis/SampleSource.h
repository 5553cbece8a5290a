#pragma once
// The samples of one record (block) of one trace, read in pieces in their stored
// type: the reads behind every measurement. Restores the file's current block,
// trace and realtime region when destroyed, since other readers share them.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "wavefile/CWaveFile.h"

namespace kivelo {

class CFldFile;
class CRtmFile;

// The C type a trace's samples have once read.
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

// "signed", "unsigned", "float" or "logic": how a trace's samples are taken
// (unrecognised kinds as signed; a floating file's values are floats).
const char* TraceKindName(const TraceInfo& info, bool floatingFile);

class SampleSource {
public:
    // Samples per piece handed to a reader (at most 1 MB of 4-byte samples).
    static constexpr int64_t kPiece = int64_t{1} << 18;

    SampleSource() = default;
    ~SampleSource();
    SampleSource(const SampleSource&) = delete;
    SampleSource& operator=(const SampleSource&) = delete;

    // Takes block and trace of an open file; false with the cause in error.
    bool Open(CWaveFile& file, int block, int trace, std::string& error);

    // Samples of the record.
    int64_t Size() const { return size_; }
    SampleType Type() const { return type_; }
    bool IsFloat() const { return type_ == SampleType::Float32; }
    // Bit (logic) traces hold bit patterns, not values.
    bool IsLogic() const { return logic_; }
    // physical = stored x Gain() + Offset()
    double Gain() const { return gain_; }
    double Offset() const { return offset_; }
    const TraceInfo& Info() const { return info_; }
    double SampleInterval() const { return interval_; }
    // "W1" .. for trace 0 ..
    std::string Label() const { return "W" + std::to_string(trace_ + 1); }
    const char* KindName() const { return TraceKindName(info_, fld_ != nullptr); }
    // An identity of the record while the file stays open (file open serial, block, trace).
    uint64_t OpenSerial() const { return serial_; }
    int Block() const { return block_; }
    int Trace() const { return trace_; }

    // Reads [first, first + count) in pieces that start at multiples of kPiece from
    // `first`, calling piece(bytes, n, position) with n samples of Type() in host
    // order. false with the cause in error when the file delivers less or the
    // span lies outside the record; piece may stop the read by returning false
    // (then error stays empty).
    template <class Piece>
    bool Read(int64_t first, int64_t count, Piece&& piece, std::string& error) {
        if (!CheckSpan(first, count, error)) return false;
        for (int64_t done = 0; done < count;) {
            const int64_t n = std::min(kPiece, count - done);
            const uint8_t* bytes = nullptr;
            if (!ReadPiece(first + done, n, bytes, error)) return false;
            if (!piece(bytes, n, first + done)) return false;
            done += n;
        }
        return true;
    }

    // False with a message when [first, first + count) is not inside the record.
    bool CheckSpan(int64_t first, int64_t count, std::string& error) const;

private:
    bool ReadPiece(int64_t pos, int64_t n, const uint8_t*& bytes, std::string& error);

    CWaveFile* file_ = nullptr;
    CFldFile* fld_ = nullptr;
    CRtmFile* rtm_ = nullptr;
    int block_ = 0, trace_ = 0;
    int savedBlock_ = 0, savedTrace_ = 0, savedRegion_ = 0;
    uint64_t serial_ = 0;
    int64_t size_ = 0;
    int width_ = 0;
    SampleType type_ = SampleType::Int16;
    bool logic_ = false;
    double gain_ = 1.0, offset_ = 0.0, interval_ = 0.0;
    TraceInfo info_;
    std::vector<uint8_t> buffer_;
};

}  // namespace kivelo
