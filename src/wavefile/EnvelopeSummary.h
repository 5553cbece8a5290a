#pragma once
// The min/max summary of one record's sample stream (one trace of one block, or one
// data region), kept at the sample size and in the comparison its envelopes use:
// signed, unsigned, or (AND, OR) for bit data. Built from one pass over the samples
// (Append, then Finish); answers envelope reads whose groups span at least one block.
#include <cstdint>
#include <span>
#include <variant>

#include "wavefile/SummaryLevels.h"

namespace kivelo {

class EnvelopeSummary {
public:
    enum class Compare { Signed, Unsigned, Bits };
    static constexpr int64_t kBlock = SummaryLevels<int16_t>::kBlock;

    // sampleBytes 1, 2 or 4; expectedSamples sizes the finest level up front.
    EnvelopeSummary(int sampleBytes, Compare compare, int64_t expectedSamples);

    int SampleBytes() const { return sampleBytes_; }
    // The next samples of the stream, host order, whole samples only.
    void Append(std::span<const uint8_t> samples);
    void Finish();
    int64_t Samples() const;
    int64_t Bytes() const;
    void DropCuts();
    // See SummaryLevels::WantCuts; before the first Append.
    void WantCuts(std::vector<int64_t> cuts, std::vector<int64_t> blocks);
    static void CutsOf(std::span<const StreamChunk> chunks, int stepCode, int64_t capacity, std::vector<int64_t>& cuts,
                       std::vector<int64_t>& blocks) {
        SummaryLevels<int16_t>::CutsOf(chunks, stepCode, capacity, cuts, blocks);
    }

    // See SummaryLevels::Reduce; out holds capacity values of SampleBytes.
    int Reduce(std::span<const StreamChunk> chunks, int stepCode, const StreamReader& read, std::span<uint8_t> out,
               int64_t capacity, int64_t& written);

    // Building on several threads at once, instead of Append (see SummaryLevels::
    // FillAt): Reserve, then FillAt for disjoint pieces of the stream, each thread
    // with PieceCuts of its own from NewPieceCuts, then Adopt all of them, then Finish.
    static constexpr int64_t kPieceAlign = SummaryLevels<int16_t>::kPieceAlign;
    using PieceCuts = std::variant<SummaryLevels<int8_t>::PieceCuts, SummaryLevels<uint8_t>::PieceCuts,
                                   SummaryLevels<int16_t>::PieceCuts, SummaryLevels<uint16_t>::PieceCuts,
                                   SummaryLevels<int32_t>::PieceCuts, SummaryLevels<uint32_t>::PieceCuts>;
    void Reserve(int64_t samples);
    PieceCuts NewPieceCuts() const;
    void FillAt(int64_t first, std::span<const uint8_t> samples, PieceCuts& kept);
    void Adopt(std::span<PieceCuts> kept);
    // The pairs (each block's smallest and largest sample, in either order) of
    // `count` whole blocks from block `first` (written so far) of a 2-byte signed
    // summary; empty for another kind or blocks beyond those written.
    std::span<const int16_t> BlockPairs(int64_t first, int64_t count) const;

    // Groups a chunk of n samples holds at this step code.
    static int64_t GroupsOf(int64_t n, int stepCode) { return SummaryLevels<int16_t>::GroupsOf(n, stepCode); }
    // Memory of the finished levels of a stream this long (without kept cuts).
    static int64_t EstimateBytes(int64_t samples, int sampleBytes);

private:
    using Levels = std::variant<SummaryLevels<int8_t>, SummaryLevels<uint8_t>, SummaryLevels<int16_t>,
                                SummaryLevels<uint16_t>, SummaryLevels<int32_t>, SummaryLevels<uint32_t>>;
    static Levels Make(int sampleBytes, Compare compare, int64_t expectedSamples);

    int sampleBytes_;
    Levels levels_;
};

}  // namespace kivelo
