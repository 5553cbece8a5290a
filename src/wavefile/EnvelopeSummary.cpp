#include "wavefile/EnvelopeSummary.h"

#include <algorithm>
#include <type_traits>
#include <vector>

namespace kivelo {

EnvelopeSummary::Levels EnvelopeSummary::Make(int sampleBytes, Compare compare, int64_t expectedSamples) {
    // Bit data combine by AND and OR, which do not care for the sign.
    const bool bits = compare == Compare::Bits;
    const bool asUnsigned = compare != Compare::Signed;
    switch (sampleBytes) {
    case 1:
        if (asUnsigned) return Levels(std::in_place_type<SummaryLevels<uint8_t>>, bits, expectedSamples);
        return Levels(std::in_place_type<SummaryLevels<int8_t>>, bits, expectedSamples);
    case 4:
        if (asUnsigned) return Levels(std::in_place_type<SummaryLevels<uint32_t>>, bits, expectedSamples);
        return Levels(std::in_place_type<SummaryLevels<int32_t>>, bits, expectedSamples);
    default:
        if (asUnsigned) return Levels(std::in_place_type<SummaryLevels<uint16_t>>, bits, expectedSamples);
        return Levels(std::in_place_type<SummaryLevels<int16_t>>, bits, expectedSamples);
    }
}

EnvelopeSummary::EnvelopeSummary(int sampleBytes, Compare compare, int64_t expectedSamples)
    : sampleBytes_(sampleBytes == 1 || sampleBytes == 4 ? sampleBytes : 2),
      levels_(Make(sampleBytes, compare, expectedSamples)) {}

void EnvelopeSummary::Append(std::span<const uint8_t> samples) {
    std::visit(
        [&](auto& levels) {
            using Sample = typename std::remove_cvref_t<decltype(levels)>::Sample;
            levels.Append(reinterpret_cast<const Sample*>(samples.data()),
                          static_cast<int64_t>(samples.size()) / sampleBytes_);
        },
        levels_);
}

void EnvelopeSummary::Finish() {
    std::visit([](auto& levels) { levels.Finish(); }, levels_);
}

int64_t EnvelopeSummary::Samples() const {
    return std::visit([](const auto& levels) { return levels.Samples(); }, levels_);
}

int64_t EnvelopeSummary::Bytes() const {
    return static_cast<int64_t>(sizeof(*this)) - static_cast<int64_t>(sizeof(levels_)) +
           std::visit([](const auto& levels) { return levels.Bytes(); }, levels_);
}

void EnvelopeSummary::WantCuts(std::vector<int64_t> cuts, std::vector<int64_t> blocks) {
    std::visit([&](auto& levels) { levels.WantCuts(std::move(cuts), std::move(blocks)); }, levels_);
}

void EnvelopeSummary::DropCuts() {
    std::visit([](auto& levels) { levels.DropCuts(); }, levels_);
}

int EnvelopeSummary::Reduce(std::span<const StreamChunk> chunks, int stepCode, const StreamReader& read,
                            std::span<uint8_t> out, int64_t capacity, int64_t& written) {
    written = 0;
    capacity = std::min<int64_t>(capacity, static_cast<int64_t>(out.size()) / sampleBytes_);
    return std::visit(
        [&](auto& levels) {
            using Sample = typename std::remove_cvref_t<decltype(levels)>::Sample;
            return levels.Reduce(chunks, stepCode, read, reinterpret_cast<Sample*>(out.data()), capacity, written);
        },
        levels_);
}

void EnvelopeSummary::Reserve(int64_t samples) {
    std::visit([&](auto& levels) { levels.Reserve(samples); }, levels_);
}

EnvelopeSummary::PieceCuts EnvelopeSummary::NewPieceCuts() const {
    return std::visit(
        [](const auto& levels) {
            using Levels = std::remove_cvref_t<decltype(levels)>;
            return PieceCuts(std::in_place_type<typename Levels::PieceCuts>);
        },
        levels_);
}

void EnvelopeSummary::FillAt(int64_t first, std::span<const uint8_t> samples, PieceCuts& kept) {
    std::visit(
        [&](auto& levels) {
            using Levels = std::remove_cvref_t<decltype(levels)>;
            auto* mine = std::get_if<typename Levels::PieceCuts>(&kept);
            if (!mine) return;
            levels.FillAt(first, reinterpret_cast<const typename Levels::Sample*>(samples.data()),
                          static_cast<int64_t>(samples.size()) / sampleBytes_, *mine);
        },
        levels_);
}

std::span<const int16_t> EnvelopeSummary::BlockPairs(int64_t first, int64_t count) const {
    const auto* levels = std::get_if<SummaryLevels<int16_t>>(&levels_);
    if (!levels || count <= 0) return {};
    const std::span<const int16_t> pairs = levels->BlockPairs(first, count);
    return pairs.size() == static_cast<std::size_t>(2 * count) ? pairs : std::span<const int16_t>{};
}

void EnvelopeSummary::Adopt(std::span<PieceCuts> kept) {
    std::visit(
        [&](auto& levels) {
            using Levels = std::remove_cvref_t<decltype(levels)>;
            std::vector<typename Levels::PieceCuts> mine;
            for (PieceCuts& k : kept)
                if (auto* m = std::get_if<typename Levels::PieceCuts>(&k)) mine.push_back(std::move(*m));
            levels.Adopt(mine);
        },
        levels_);
}

int64_t EnvelopeSummary::EstimateBytes(int64_t samples, int sampleBytes) {
    // The finest level, and an eighth more for each coarser one.
    const int64_t finest = samples / kBlock * 2 * sampleBytes;
    return finest + finest / 7 + kBlock * sampleBytes + 1024;
}

}  // namespace kivelo
