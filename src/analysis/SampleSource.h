#pragma once
// The samples of one record (block) of one trace, read in pieces in their stored
// type: the reads behind every measurement. They take the record and trace
// (RecordSamples) and leave the file's current block, trace and region alone.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "wavefile/CWaveFile.h"
#include "wavefile/RecordSamples.h"

namespace kivelo {

// "signed", "unsigned", "float" or "logic": how a trace's samples are taken
// (unrecognised kinds as signed).
const char* TraceKindName(const RecordTrace& trace);

class SampleSource {
public:
    // Samples per piece handed to a reader (at most 1 MB of 4-byte samples).
    static constexpr int64_t kPiece = int64_t{1} << 18;

    SampleSource() = default;
    SampleSource(const SampleSource&) = delete;
    SampleSource& operator=(const SampleSource&) = delete;

    // Takes block and trace of an open file; false with the cause in error.
    bool Open(CWaveFile& file, int block, int trace, std::string& error);

    // Samples of the record.
    int64_t Size() const { return size_; }
    SampleType Type() const { return trace().type; }
    bool IsFloat() const { return Type() == SampleType::Float32; }
    // Bit (logic) traces hold bit patterns, not values.
    bool IsLogic() const { return trace().kind == SampleKind::Logic; }
    // physical = stored x Gain() + Offset()
    double Gain() const { return trace().vResolution; }
    double Offset() const { return trace().vOffset; }
    double SampleInterval() const { return samples_->Horz().HResolution; }
    // "W1" .. for trace 0 ..
    const std::string& Label() const { return trace().label; }
    const char* KindName() const { return TraceKindName(trace()); }
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
        buffer_.resize(static_cast<std::size_t>(std::min(kPiece, count) * trace().width));
        return ReadWith(buffer_, first, count, kPiece, piece, error);
    }
    // The same in pieces of `pieceSamples` through the caller's buffer (of at least
    // that many samples): several threads may read one source at once, each with
    // its own buffer.
    template <class Piece>
    bool ReadWith(std::span<uint8_t> buffer, int64_t first, int64_t count, int64_t pieceSamples, Piece&& piece,
                  std::string& error) const {
        if (!CheckSpan(first, count, error)) return false;
        for (int64_t done = 0; done < count;) {
            const int64_t n = std::min(pieceSamples, count - done);
            if (!ReadPiece(buffer, first + done, n, error)) return false;
            if (!piece(static_cast<const uint8_t*>(buffer.data()), n, first + done)) return false;
            done += n;
        }
        return true;
    }

    // False with a message when [first, first + count) is not inside the record.
    bool CheckSpan(int64_t first, int64_t count, std::string& error) const;

private:
    bool ReadPiece(std::span<uint8_t> buffer, int64_t pos, int64_t n, std::string& error) const;
    const RecordTrace& trace() const { return samples_->Traces()[static_cast<std::size_t>(trace_)]; }

    std::optional<RecordSamples> samples_;
    int block_ = 0, trace_ = 0;
    uint64_t serial_ = 0;
    int64_t size_ = 0;
    std::vector<uint8_t> buffer_;
};

}  // namespace kivelo
