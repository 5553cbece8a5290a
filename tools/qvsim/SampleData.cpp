#include "SampleData.h"

namespace kivelo::qvsim {

void FillBlockBytes(const BlockSource& block, std::uint64_t offset, std::span<std::uint8_t> out) {
    // Byte p of the stretch belongs to sample p / 2; its first byte on the wire is
    // the high byte when the order is MSB first.
    const auto word = [&](std::uint64_t byte) {
        return SampleWord(block.channel, block.record, block.firstPoint + static_cast<std::int64_t>(byte / 2),
                          block.pattern);
    };
    const auto half = [&](std::uint16_t w, std::uint64_t byte) {
        const bool high = ((byte % 2) == 0) == block.msbFirst;
        return static_cast<std::uint8_t>(high ? (w >> 8) : (w & 0xFFu));
    };
    const std::size_t n = out.size();
    std::size_t pos = 0;
    if (n > 0 && offset % 2 != 0) {
        out[0] = half(word(offset), offset);
        pos = 1;
    }
    const std::size_t hi = block.msbFirst ? 0 : 1;
    if (block.pattern == SamplePattern::Ramp) {
        // Consecutive ramp samples differ by 3: no per-sample recomputation.
        auto w = word(offset + pos);
        for (; pos + 1 < n; pos += 2) {
            out[pos + hi] = static_cast<std::uint8_t>(w >> 8);
            out[pos + 1 - hi] = static_cast<std::uint8_t>(w & 0xFFu);
            w = static_cast<std::uint16_t>(w + 3u);
        }
        // clang-format off
  } else {
    for (; pos + 1 < n; pos += 2) {
      const auto w = word(offset + pos);
      out[pos + hi] = static_cast<std::uint8_t>(w >> 8);
      out[pos + 1 - hi] = static_cast<std::uint8_t>(w & 0xFFu);
            // clang-format on
        }
    }
    if (pos < n) out[pos] = half(word(offset + pos), offset + pos);
}

}  // namespace kivelo::qvsim
