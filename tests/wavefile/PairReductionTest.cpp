// The vectorised pair reductions against the rule applied one sample at a time,
// on every instruction set this processor runs: random data of every sample type
// (signed and unsigned, 1, 2 and 4 bytes; floats reach them as 4-byte order keys),
// numeric and bit data, many shapes of signal, odd lengths, starts off every
// vector boundary, fractional steps and destinations that cut the output.
#include <gtest/gtest.h>
#include <hwy/highway.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "wavefile/PairReduction.h"

namespace kivelo {
namespace {

enum class Shape { Uniform, FewValues, RampUp, RampDown, Constant, Spikes, Count };

template <typename T>
std::vector<T> Samples(Shape shape, std::size_t n, std::mt19937& rng) {
    using Limits = std::numeric_limits<T>;
    std::uniform_int_distribution<int64_t> any(Limits::min(), Limits::max()), small(0, 3), noise(-2, 2);
    const T base = static_cast<T>(any(rng));
    std::vector<T> x(n);
    for (std::size_t i = 0; i < n; ++i) {
        const auto step = static_cast<int64_t>(i % 251);
        switch (shape) {
        case Shape::Uniform: x[i] = static_cast<T>(any(rng)); break;
        case Shape::FewValues: x[i] = static_cast<T>(small(rng)); break;
        case Shape::RampUp: x[i] = static_cast<T>(base + step + noise(rng)); break;
        case Shape::RampDown: x[i] = static_cast<T>(base - step + noise(rng)); break;
        case Shape::Constant: x[i] = base; break;
        default: x[i] = rng() % 97 == 0 ? static_cast<T>(any(rng)) : base; break;
        }
    }
    return x;
}

struct Case {
    Shape shape;
    std::size_t length, offset;
    int step;
    int64_t capacity;
    bool bits;
};

std::string Describe(const Case& c) {
    return "shape " + std::to_string(static_cast<int>(c.shape)) + " length " + std::to_string(c.length) + " offset " +
           std::to_string(c.offset) + " step " + std::to_string(c.step) + " capacity " + std::to_string(c.capacity) +
           (c.bits ? " bits" : "");
}

Case RandomCase(std::mt19937& rng) {
    static constexpr std::size_t kLengths[] = {1, 2, 3, 7, 63, 64, 65, 127, 129, 1000, 1023, 4097, 16 * 64 + 13, 20003};
    static constexpr std::size_t kOffsets[] = {0, 1, 3, 7, 17, 33, 63};
    static constexpr int kSteps[] = {256,
                                     300,
                                     512,
                                     640,
                                     896,
                                     769,
                                     16 * 256 + 255,
                                     64 * 256,
                                     100 * 256 + 37,
                                     999 * 256 + 128,
                                     2000 * 256 + 200,
                                     20000 * 256};
    auto pick = [&](const auto& table) { return table[rng() % std::size(table)]; };
    Case c;
    c.shape = static_cast<Shape>(rng() % static_cast<unsigned>(Shape::Count));
    c.length = pick(kLengths);
    c.offset = pick(kOffsets);
    c.step = pick(kSteps);
    // Room for everything, or a cut that may fall inside a pair.
    c.capacity = rng() % 4 == 0 ? static_cast<int64_t>(rng() % 9) : static_cast<int64_t>(2 * c.length + 4);
    c.bits = rng() % 3 == 0;
    return c;
}

// Whole blocks of every shape, many more than a vector's lanes (the blocks are
// folded a vector's lanes at a time) and a few left over, from a misaligned start.
template <typename T>
void CheckManyBlocks(std::mt19937& rng) {
    constexpr int64_t kBlocks = 64 * 3 + 5;
    for (int shape = 0; shape < static_cast<int>(Shape::Count); ++shape) {
        for (const bool bits : {false, true}) {
            SCOPED_TRACE("many blocks, shape " + std::to_string(shape) + (bits ? " bits" : ""));
            const std::vector<T> buffer =
                Samples<T>(static_cast<Shape>(shape), kBlocks * kSummaryBlockSamples + 3, rng);
            std::vector<T> pairs(2 * kBlocks), want(pairs.size());
            ReducePairs(buffer.data() + 3, kBlocks * kSummaryBlockSamples, static_cast<int>(kSummaryBlockSamples * 256),
                        bits, want.data(), 2 * kBlocks);
            SummaryBlockPairs(buffer.data() + 3, kBlocks, bits, pairs.data());
            ASSERT_EQ(pairs, want);
        }
    }
}

// Runs of block pairs joined into the next level's pairs: as many runs as the
// widest vector has lanes, three times over and a few left over, of every shape,
// against the rule applied to their blocks' samples as one group.
template <typename T>
void CheckSecondLevel(std::mt19937& rng) {
    constexpr int64_t kGroups = 64 * 3 + 5, kGroupSamples = kSummaryFan * kSummaryBlockSamples;
    for (int shape = 0; shape < static_cast<int>(Shape::Count); ++shape) {
        for (const bool bits : {false, true}) {
            SCOPED_TRACE("second level, shape " + std::to_string(shape) + (bits ? " bits" : ""));
            const std::vector<T> samples = Samples<T>(static_cast<Shape>(shape), kGroups * kGroupSamples, rng);
            std::vector<T> blockPairs(2 * kGroups * kSummaryFan), pairs(2 * kGroups), want(pairs.size());
            SummaryBlockPairs(samples.data(), kGroups * kSummaryFan, bits, blockPairs.data());
            ReducePairs(samples.data(), kGroups * kGroupSamples, static_cast<int>(kGroupSamples * 256), bits,
                        want.data(), 2 * kGroups);
            SummarySecondLevel(blockPairs.data() + 2 * kSummaryFan, kGroups - 1, bits, pairs.data() + 2);
            SummarySecondLevel(blockPairs.data(), 1, bits, pairs.data());
            ASSERT_EQ(pairs, want);
        }
    }
}

// Ranges of every length up to a few blocks, from misaligned starts, each one
// group: partial blocks at the ends of display points. (A step of two samples is
// the code for the samples themselves.)
template <typename T>
void CheckRanges(std::mt19937& rng) {
    for (int shape = 0; shape < static_cast<int>(Shape::Count); ++shape) {
        const std::vector<T> samples = Samples<T>(static_cast<Shape>(shape), 700, rng);
        for (const bool bits : {false, true})
            for (int64_t n = 3; n <= 600; n += n < 70 ? 1 : 37) {
                SCOPED_TRACE("range of " + std::to_string(n) + ", shape " + std::to_string(shape) +
                             (bits ? " bits" : ""));
                const T* x = samples.data() + rng() % 97;
                T want[2], got[2];
                ReducePairs(x, n, static_cast<int>(n * 256), bits, want, 2);
                SummaryRangePair(x, n, bits, got);
                ASSERT_EQ(got[0], want[0]);
                ASSERT_EQ(got[1], want[1]);
            }
    }
}

template <typename T>
void CheckType(std::mt19937& rng) {
    SCOPED_TRACE(std::string("sample bytes ") + std::to_string(sizeof(T)) +
                 (std::is_signed_v<T> ? " signed" : " unsigned"));
    CheckManyBlocks<T>(rng);
    CheckSecondLevel<T>(rng);
    CheckRanges<T>(rng);
    for (int i = 0; i < 150; ++i) {
        const Case c = RandomCase(rng);
        SCOPED_TRACE(Describe(c));
        const std::vector<T> buffer = Samples<T>(c.shape, c.length + c.offset, rng);
        const T* x = buffer.data() + c.offset;
        const auto n = static_cast<int64_t>(c.length);
        std::vector<T> want(static_cast<std::size_t>(c.capacity) + 1), got(want.size());
        const int64_t w = ReducePairs(x, n, c.step, c.bits, want.data(), c.capacity);
        const int64_t g = ReduceSamples(x, n, c.step, c.bits, got.data(), c.capacity);
        ASSERT_EQ(g, w);
        ASSERT_EQ(got, want);

        // The whole blocks of the same samples, each one group.
        const int64_t blocks = n / kSummaryBlockSamples;
        std::vector<T> pairs(static_cast<std::size_t>(2 * blocks)), wantPairs(pairs.size());
        ReducePairs(x, blocks * kSummaryBlockSamples, static_cast<int>(kSummaryBlockSamples * 256), c.bits,
                    wantPairs.data(), 2 * blocks);
        SummaryBlockPairs(x, blocks, c.bits, pairs.data());
        ASSERT_EQ(pairs, wantPairs);
    }
}

TEST(PairReduction, VectorisedMatchesTheRuleOnEveryInstructionSet) {
    const std::vector<int64_t> targets = hwy::SupportedAndGeneratedTargets();
    ASSERT_FALSE(targets.empty());
    for (const int64_t target : targets) {
        hwy::SetSupportedTargetsForTest(target);
        SCOPED_TRACE(hwy::TargetName(target));
        std::mt19937 rng(static_cast<unsigned>(target % 1000003));
        CheckType<int8_t>(rng);
        CheckType<uint8_t>(rng);
        CheckType<int16_t>(rng);
        CheckType<uint16_t>(rng);
        CheckType<int32_t>(rng);
        CheckType<uint32_t>(rng);
        if (HasFatalFailure()) break;
    }
    hwy::SetSupportedTargetsForTest(0);
}

}  // namespace
}  // namespace kivelo
