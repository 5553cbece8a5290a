#include "Signal.h"

#include <bit>
#include <cmath>
#include <numbers>

namespace kivelo::wavegen {
namespace {

constexpr int64_t kMaxTable = int64_t{1} << 20;

int64_t Period(const SignalDesc& s) { return s.period < 2 ? 2 : s.period; }

int64_t PosMod(int64_t a, int64_t m) {
    const int64_t r = a % m;
    return r < 0 ? r + m : r;
}

// Each channel and block is shifted a little so traces differ.
int64_t Phase(const SignalDesc& s, int channel, int block, int64_t index) {
    const int64_t p = Period(s);
    return PosMod(index + channel * (p / 8) + block * (p / 16), p);
}

uint64_t SplitMix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Normalised value in [-amplitude, amplitude] of the analog signals.
double Analog(const SignalDesc& s, int channel, int block, int64_t index) {
    const double a = s.amplitude;
    const int64_t p = Period(s);
    const int64_t m = Phase(s, channel, block, index);
    switch (s.kind) {
    case Signal::Sine: return a * std::sin(2.0 * std::numbers::pi * static_cast<double>(m) / static_cast<double>(p));
    case Signal::Step: return m < p / 2 ? a : -a;
    case Signal::Ramp: return a * (-1.0 + 2.0 * static_cast<double>(m) / static_cast<double>(p - 1));
    case Signal::Noise: {
        const uint64_t h =
            SplitMix(s.seed ^ SplitMix(static_cast<uint64_t>(index) ^ (static_cast<uint64_t>(channel) << 48) ^
                                       (static_cast<uint64_t>(block) << 32)));
        return a * (static_cast<double>(h >> 11) * 0x1.0p-53 * 2.0 - 1.0);
    }
    default: return 0.0;
    }
}

uint64_t LowBits(int bits) { return bits >= 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1; }

// Pattern signals are bit patterns of the type's width.
uint64_t Pattern(const SignalDesc& s, int bits, int channel, int block, int64_t index) {
    if (s.kind == Signal::Counter) {
        const int low = bits - 4;
        const uint64_t i = static_cast<uint64_t>(PosMod(index, int64_t{1} << low));
        return ((static_cast<uint64_t>(channel) & 0xF) << low) | i;
    }
    const int64_t dwell = Period(s) / 16 > 0 ? Period(s) / 16 : 1;
    const int64_t n = index + 1000003LL * channel + 7919LL * block;
    const int64_t q = n / dwell - ((n % dwell) < 0 ? 1 : 0);  // floor division
    const auto g = static_cast<uint64_t>(q);
    return (g ^ (g >> 1)) & LowBits(bits);
}

bool IsPattern(Signal k) { return k == Signal::Logic || k == Signal::Counter; }

int64_t SignExtend(uint64_t v, int bits) {
    if (bits < 64 && (v >> (bits - 1)) & 1u) v |= ~uint64_t{0} << bits;
    return static_cast<int64_t>(v);
}

}  // namespace

std::optional<Signal> ParseSignal(std::string_view name) {
    for (Signal s : {Signal::Sine, Signal::Step, Signal::Ramp, Signal::Noise, Signal::Logic, Signal::Counter}) {
        if (name == SignalName(s)) return s;
    }
    return std::nullopt;
}

const char* SignalName(Signal s) {
    switch (s) {
    case Signal::Sine: return "sine";
    case Signal::Step: return "step";
    case Signal::Ramp: return "ramp";
    case Signal::Noise: return "noise";
    case Signal::Logic: return "logic";
    case Signal::Counter: return "counter";
    }
    return "?";
}

float FloatSample(const SignalDesc& s, int channel, int block, int64_t index) {
    if (s.kind == Signal::Counter) {
        return static_cast<float>(channel * 1000000 + PosMod(index, 1000000));
    }
    if (s.kind == Signal::Logic) {
        return static_cast<float>(Pattern(s, 16, channel, block, index));
    }
    return static_cast<float>(Analog(s, channel, block, index) * s.floatScale);
}

int64_t RawSample(const SignalDesc& s, const SampleType& type, int channel, int block, int64_t index) {
    const int bits = 8 * type.width;
    if (type.kind == TypeKind::Float) {
        return static_cast<int64_t>(std::bit_cast<uint32_t>(FloatSample(s, channel, block, index)));
    }
    const bool isSigned = type.kind == TypeKind::Signed || type.kind == TypeKind::Unknown;
    if (IsPattern(s.kind)) {
        const uint64_t v = Pattern(s, bits, channel, block, index);
        return isSigned ? SignExtend(v, bits) : static_cast<int64_t>(v);
    }
    const double v = Analog(s, channel, block, index);
    if (isSigned) {
        const double full = std::ldexp(1.0, bits - 1) - 1.0;
        return static_cast<int64_t>(std::llround(v * full));
    }
    const double full = std::ldexp(1.0, bits) - 1.0;
    return static_cast<int64_t>(static_cast<uint64_t>(std::llround((v + 1.0) * 0.5 * full)));
}

SignalSource::SignalSource(const SignalDesc& s, const SampleType& type, int channel, int block, bool bigEndian)
    : desc_(s), type_(type), channel_(channel), block_(block), big_(bigEndian) {
    const bool periodic = s.kind == Signal::Sine || s.kind == Signal::Step || s.kind == Signal::Ramp;
    if (periodic && Period(s) <= kMaxTable) {
        table_.resize(static_cast<std::size_t>(Period(s)));
        // Index m - shift has phase m, so the table is indexed by phase.
        const int64_t shift = Phase(s, channel, block, 0);
        for (int64_t m = 0; m < Period(s); ++m) {
            table_[static_cast<std::size_t>(m)] = RawSample(s, type, channel, block, m - shift);
        }
    }
}

int64_t SignalSource::Raw(int64_t index) const {
    if (table_.empty()) return RawSample(desc_, type_, channel_, block_, index);
    return table_[static_cast<std::size_t>(Phase(desc_, channel_, block_, index))];
}

void SignalSource::Fill(int64_t first, int64_t count, uint8_t* dst, int64_t stride) const {
    const int w = type_.width;
    if (stride == 0) stride = w;
    if (table_.empty()) {
        for (int64_t i = 0; i < count; ++i, dst += stride) {
            EncodeSample(static_cast<uint64_t>(Raw(first + i)), w, big_, dst);
        }
        return;
    }
    const auto p = static_cast<int64_t>(table_.size());
    int64_t m = Phase(desc_, channel_, block_, first);
    for (int64_t i = 0; i < count; ++i, dst += stride) {
        EncodeSample(static_cast<uint64_t>(table_[static_cast<std::size_t>(m)]), w, big_, dst);
        if (++m == p) m = 0;
    }
}

}  // namespace kivelo::wavegen
