#pragma once
// Ordered pairs of one stream of samples at several block sizes, and the envelope
// reduction of any range from them. A block's pair is written as the pair reduction
// writes a group of those samples: (min, max) when its last new extreme is a maximum,
// else (max, min), and (AND, OR) for bit data. The pairs of two neighbouring ranges
// give the pair of their union (Combine), so a group's pair is combined from whole
// blocks of the coarsest levels that fit and from the samples of the blocks it starts
// and ends in. Those samples are read through a callback; what a cut position splits
// its block into is kept, so later reads of the same cuts read nothing.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <new>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/HugePages.h"
#include "wavefile/PairReduction.h"

namespace kivelo {

// Storage of a summary level: large ones on huge pages (common/HugePages.h),
// not zeroed when sized: every pair is written before it is read.
template <typename T>
struct LevelAllocator : HugePageAllocator<T> {
    LevelAllocator() = default;
    template <typename U>
    LevelAllocator(const LevelAllocator<U>&) {}
    template <typename U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// A stretch of the stream reduced by itself (one envelope chunk).
struct StreamChunk {
    int64_t first = 0;
    int64_t count = 0;
};

// Reads `count` samples of the stream from `first` into out (count x sample size
// bytes); got: the samples delivered. Returns -1, or the failed read's result.
using StreamReader = std::function<int(int64_t first, int64_t count, std::span<uint8_t> out, int64_t& got)>;

// Results of SummaryLevels::Reduce besides -1 and a failed read's result.
inline constexpr int kSummaryStale = 1;  // the samples read back do not fit the summary

template <typename T>
class SummaryLevels {
public:
    using Sample = T;
    // Samples per pair of the finest level: a quarter of the summary pass's work and
    // memory of 64, while a cut still reads only 512 bytes of a 2-byte trace.
    static constexpr int64_t kBlock = 256;
    static constexpr int64_t kFan = kSummaryFan;           // pairs of a level per pair of the next
    static constexpr std::size_t kMaxCuts = 16384;         // cut positions kept
    static constexpr int64_t kPieceAlign = kBlock * kFan;  // see FillAt

private:
    struct Pair {
        T a, b;
    };
    struct Cut {
        Pair tail;  // from the start of the block to the cut
        Pair head;  // from the cut to the end of the block (or the stream)
    };

public:
    // What one thread's pieces keep of the wanted cuts and blocks, and the stream's
    // last partial block when a piece ends there (see FillAt).
    struct PieceCuts {
        std::vector<std::pair<int64_t, Cut>> cuts;
        std::vector<int64_t> blocks;
        std::vector<T> blockSamples;  // kBlock per block
        std::vector<T> tail;
    };

    SummaryLevels(bool bits, int64_t expectedSamples);

    // Adds the next samples of the stream (host order).
    void Append(const T* x, int64_t n);
    // Building from several threads instead of appending: Reserve sizes the levels for
    // a stream of `samples`; FillAt summarises the piece of n samples from `first`
    // (host order), at once from several threads for disjoint pieces, each starting
    // at a multiple of kPieceAlign and, but for the one that ends the stream, as
    // long as a multiple of it, each thread keeping into a PieceCuts of its own;
    // Adopt then takes what all of them kept, and Finish ends the build.
    void Reserve(int64_t samples);
    void FillAt(int64_t first, const T* x, int64_t n, PieceCuts& kept);
    void Adopt(std::span<PieceCuts> kept);
    // Builds the coarser levels; nothing may be appended afterwards.
    void Finish();
    int64_t Samples() const { return samples_; }
    int64_t Bytes() const;
    // The pairs of whole blocks [first, first + n) of the finest level, as written
    // so far (a0 b0 a1 b1 ...); empty when they lie beyond it.
    std::span<const T> BlockPairs(int64_t first, int64_t n) const {
        const int64_t have = static_cast<int64_t>(levels_[0].size() / 2);
        if (first < 0 || n < 0 || first > have || n > have - first) return {};
        return std::span<const T>(levels_[0])
            .subspan(static_cast<std::size_t>(2 * first), static_cast<std::size_t>(2 * n));
    }
    // Forgets the kept cut positions.
    void DropCuts();
    // Cut positions and blocks (both in order) to keep while the samples come:
    // reads expected to follow then need no samples read again.
    void WantCuts(std::vector<int64_t> cuts, std::vector<int64_t> blocks);
    // Where the groups of these chunks start or end inside a block (see Reduce), and
    // the blocks that hold whole groups, appended.
    static void CutsOf(std::span<const StreamChunk> chunks, int stepCode, int64_t capacity, std::vector<int64_t>& cuts,
                       std::vector<int64_t>& blocks);

    // The pairs of the groups of every chunk, as the pair reduction of each chunk
    // with this step code writes them (at least one block per group), until
    // `capacity` values are written. Chunks must lie within the stream.
    // Returns -1, a failed read's result or kSummaryStale.
    int Reduce(std::span<const StreamChunk> chunks, int stepCode, const StreamReader& read, T* out, int64_t capacity,
               int64_t& written);

    // Pairs per group: the number of groups of a chunk of n samples at this step code.
    static int64_t GroupsOf(int64_t n, int stepCode);

private:
    // Samples of some blocks read for one reduction.
    struct ReadBlocks {
        std::vector<int64_t> firstBlock, offset, length;  // runs of blocks, in order
        std::vector<T> samples;
    };

    // A range being combined (see PairExtent).
    using Extent = PairExtent<T>;
    Extent ExtentOf(const Pair& p) const;
    Pair PairOf(const Extent& e) const;
    // The extent of x followed by a range with the pair p, and of p followed by x.
    void Append(Extent& x, const Pair& p) const;
    void Prepend(Extent& x, const Pair& p) const;
    Pair PairOf(const T* x, int64_t n) const;
    Pair EntryAt(std::size_t level, int64_t i) const;
    // Pair of [s, e): the head before its first whole block and the tail after its
    // last (null: none), the whole blocks [lo, hi) from the coarsest levels that fit.
    Pair GroupPair(const Pair* head, int64_t lo, int64_t hi, const Pair* tail) const;
    // The samples of block b, from the kept tail or the blocks read; null when neither has it.
    const T* BlockSamples(int64_t b, const ReadBlocks& blocks, int64_t& n) const;
    int64_t FullBlocks() const { return levels_.empty() ? 0 : static_cast<int64_t>(levels_[0].size() / 2); }
    void EmitBlocks(const T* x, int64_t blocks);
    // The pairs of whole blocks, and of every kFan pairs of the finest level.
    void WriteBlockPairs(const T* x, int64_t blocks, T* out) const;
    void WriteSecondLevel(const T* below, int64_t groups, T* out) const;
    // Joins every kFan new pairs of the finest level into one of the next, as the
    // samples come, while they are still in the processor's cache.
    void ExtendSecondLevel();
    void KeepCut(int64_t position, const Cut& cut);
    // The wanted cuts and blocks inside blocks [first, first + n) whose samples
    // (`samples` of them) start at x.
    void CollectCuts(int64_t first, int64_t n, const T* x, int64_t samples, PieceCuts& kept) const;
    void KeepWantedCuts(int64_t first, int64_t n, const T* x, int64_t samples);
    // Keeps collected cuts and blocks, which are in stream order.
    void Keep(const PieceCuts& kept);

    bool bits_;
    bool finished_ = false;
    int64_t samples_ = 0;
    using Level = std::vector<T, LevelAllocator<T>>;
    std::vector<Level> levels_;  // per level, the pairs' values a0 b0 a1 b1 ...
    std::vector<T> carry_;       // the block being filled; after Finish the stream's last partial block
    std::unordered_map<int64_t, Cut> cuts_;
    std::deque<int64_t> cutOrder_;       // oldest first
    std::vector<int64_t> wanted_;        // cuts to keep as the samples come
    std::vector<int64_t> wantedBlocks_;  // blocks to keep whole as the samples come
    bool reserved_ = false;              // built by FillAt
    std::vector<int64_t> keptBlocks_;    // blocks kept whole, in order
    std::vector<T> keptSamples_;         // their samples, kBlock each
};

extern template class SummaryLevels<int8_t>;
extern template class SummaryLevels<uint8_t>;
extern template class SummaryLevels<int16_t>;
extern template class SummaryLevels<uint16_t>;
extern template class SummaryLevels<int32_t>;
extern template class SummaryLevels<uint32_t>;

}  // namespace kivelo
