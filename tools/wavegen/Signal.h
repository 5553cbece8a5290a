#pragma once
// Deterministic test signals. Every sample is a pure function of
// (signal, type, channel, block, index), so a test can compute the value
// expected at any index without reading the whole file.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "SampleType.h"

namespace kivelo::wavegen {

enum class Signal {
    Sine,     // amplitude x sin(2 pi m / period)
    Step,     // +amplitude for the first half period, -amplitude for the second
    Ramp,     // -amplitude .. +amplitude over one period
    Noise,    // uniform in [-amplitude, amplitude], seeded hash of the index
    Logic,    // Gray-code bit pattern that changes every period / 16 samples
    Counter,  // channel in the top 4 bits, index in the others: identifies any sample
};

std::optional<Signal> ParseSignal(std::string_view name);
const char* SignalName(Signal s);

struct SignalDesc {
    Signal kind = Signal::Sine;
    int64_t period = 1000;     // samples per cycle; values below 2 count as 2
    double amplitude = 0.8;    // fraction of the type's full scale
    double floatScale = 10.0;  // full scale of float samples (physical units)
    uint64_t seed = 1;         // Noise only
};

// Value stored for sample `index` (may be negative) of a channel and block:
// signed and Unknown types give the signed integer, Unsigned/Bit the unsigned
// one, Float the IEEE single bit pattern. Encode with EncodeSample.
int64_t RawSample(const SignalDesc& s, const SampleType& type, int channel, int block, int64_t index);
// The float value of a Float sample (also the .fld value); other kinds give the raw value.
float FloatSample(const SignalDesc& s, int channel, int block, int64_t index);

// Fills encoded samples fast: periodic signals are tabulated once per period.
// Gives exactly the bytes of EncodeSample(RawSample(...)).
class SignalSource {
public:
    SignalSource(const SignalDesc& s, const SampleType& type, int channel, int block, bool bigEndian);
    int64_t Raw(int64_t index) const;
    // Encodes `count` consecutive samples from `first` into dst (count x width bytes),
    // `stride` bytes apart (0 = packed).
    void Fill(int64_t first, int64_t count, uint8_t* dst, int64_t stride = 0) const;
    const SampleType& Type() const { return type_; }

private:
    SignalDesc desc_;
    SampleType type_;
    int channel_;
    int block_;
    bool big_;
    std::vector<int64_t> table_;  // one period of raw values, when periodic
};

}  // namespace kivelo::wavegen
