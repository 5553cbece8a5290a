#pragma once
// The samples of an open waveform file as the exporters need them: each trace
// with its label, kind and scaling, its raw samples in their stored type (host
// byte order) and their physical values. A floating file is one float trace
// whose stored values are its physical values (scale 1, offset 0), not the
// 16-bit display samples its reader makes of them.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "wavefile/CWaveFile.h"

namespace kivelo {

class CFldFile;

enum class SampleKind { Signed, Unsigned, Float, Logic };

// "signed", "unsigned", "float" or "logic".
std::string_view SampleKindName(SampleKind kind);

struct ExportTrace {
    int index = 0;      // in file order
    std::string label;  // "W1" ..
    std::string name;
    std::string unit;
    SampleKind kind = SampleKind::Signed;
    int width = 2;  // bytes per stored sample
    double vResolution = 1.0;
    double vOffset = 0.0;
};

class ExportSource {
public:
    // The file stays the caller's and must stay open while this object is used.
    explicit ExportSource(CWaveFile& file);

    // False when a trace has a sample type no exporter can write (Message says which).
    bool Usable() const { return message_.empty(); }
    const std::string& Message() const { return message_; }

    const std::vector<ExportTrace>& Traces() const { return traces_; }
    const std::string& Model() const { return model_; }
    const HorzInfo& Horz() const { return horz_; }
    int Blocks() const { return blocks_; }
    int64_t BlockSize(int trace, int block);
    // round(1 / HResolution) in Hz; false with a message when it is not within
    // 1 .. 2^31 - 1 (what WAV files and sigrok sessions can state).
    bool SampleRate(int64_t& rate, std::string& message) const;
    // Date and time texts of a record (empty when it has none).
    void DateTime(int block, std::string& date, std::string& time);

    // Reads `count` samples from `first` of a trace's record into dst (count x
    // width bytes) as stored, in host byte order. False on a short read.
    bool ReadRaw(int trace, int block, int64_t first, int64_t count, std::span<uint8_t> dst);
    // The same samples as physical values: raw x VResolution + VOffset.
    bool ReadValues(int trace, int block, int64_t first, int64_t count, std::span<double> dst);

private:
    CWaveFile& file_;
    CFldFile* fld_ = nullptr;
    bool paired_ = false;  // a realtime file: reads come in whole pairs
    bool direct_ = false;  // a .wvf whose samples need no byte reversal here
    std::vector<ExportTrace> traces_;
    std::string model_;
    HorzInfo horz_;
    int blocks_ = 0;
    std::string message_;
    std::vector<uint8_t> rawBuffer_;
    std::vector<uint8_t> pairBuffer_;
};

}  // namespace kivelo
