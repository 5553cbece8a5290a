#pragma once
// The waveform every simulated instrument holds. It is a plain function of
// channel, record and point so that a test can compute any sample it receives.
#include <cstddef>
#include <cstdint>
#include <span>

namespace kivelo::qvsim {

enum class SamplePattern {
    Ramp,       // (4096 * channel + 257 * record + 3 * index) mod 65536
    LineFeeds,  // the ramp, with the high byte of every even index forced to 0x0A
};

// channel is 0-based, record the instrument's own record number (may be zero or
// negative), index the point number inside the record.
constexpr std::uint16_t SampleWord(int channel, int record, std::int64_t index,
                                   SamplePattern pattern = SamplePattern::Ramp) {
    const auto ramp = static_cast<std::uint16_t>(static_cast<std::uint32_t>(channel) * 4096u +
                                                 static_cast<std::uint32_t>(record) * 257u +
                                                 static_cast<std::uint32_t>(static_cast<std::uint64_t>(index) * 3u));
    if (pattern == SamplePattern::LineFeeds && index % 2 == 0)
        return static_cast<std::uint16_t>(0x0A00u | (ramp & 0xFFu));
    return ramp;
}

constexpr std::int16_t SampleValue(int channel, int record, std::int64_t index,
                                   SamplePattern pattern = SamplePattern::Ramp) {
    return static_cast<std::int16_t>(SampleWord(channel, record, index, pattern));
}

// One "WAV:SEND?" data stretch: points samples from firstPoint on, two bytes each.
struct BlockSource {
    int channel = 0;
    int record = 0;
    std::int64_t firstPoint = 0;
    std::int64_t points = 0;
    bool msbFirst = true;
    SamplePattern pattern = SamplePattern::Ramp;

    std::uint64_t ByteCount() const { return points > 0 ? 2 * static_cast<std::uint64_t>(points) : 0; }
};

// Writes bytes [offset, offset + out.size()) of the block's data into out. The
// caller keeps the range inside ByteCount(); bytes past it continue the pattern.
void FillBlockBytes(const BlockSource& block, std::uint64_t offset, std::span<std::uint8_t> out);

}  // namespace kivelo::qvsim
