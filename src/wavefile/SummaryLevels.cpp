#include "wavefile/SummaryLevels.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "wavefile/PairReduction.h"
#include "wavefile/WaveRecords.h"

namespace kivelo {

namespace {

constexpr int64_t kBlockSamples = SummaryLevels<int16_t>::kBlock;
static_assert(kBlockSamples == kSummaryBlockSamples);

// Calls group(s, e) for each group the pair reduction cuts the chunks into at this
// step code, in order, until `capacity` values (two per group) are covered.
template <typename Group>
void ForEachGroup(std::span<const StreamChunk> chunks, int stepCode, int64_t capacity, Group&& group) {
    const int64_t g = stepCode / 256, f = stepCode % 256;
    int64_t values = 0;
    for (const StreamChunk& c : chunks) {
        const int64_t end = c.first + c.count;
        int64_t s = c.first, size = std::min(g, c.count), acc = 0;
        while (s < end && values < capacity) {
            const int64_t e = s + std::min(size, end - s);
            group(s, e);
            values += 2;
            s = e;
            size = g;
            if (f > 0) {
                if (acc + f > 255) ++size;
                acc = (acc + f) % 256;
            }
        }
        if (values >= capacity) break;
    }
}

// A group that starts and ends inside one block.
bool InOneBlock(int64_t s, int64_t e) {
    return s % kBlockSamples != 0 && e % kBlockSamples != 0 && s / kBlockSamples == (e - 1) / kBlockSamples;
}

// Blocks apart by less than this are read together: one read costs about as much.
constexpr int64_t kGapBytes = 8192;
constexpr int64_t kMaxRunBytes = int64_t{1} << 20;

}  // namespace

template <typename T>
SummaryLevels<T>::SummaryLevels(bool bits, int64_t expectedSamples) : bits_(bits) {
    levels_.resize(2);
    const auto finest = static_cast<std::size_t>(std::max<int64_t>(expectedSamples, 0) / kBlock * 2);
    levels_[0].reserve(finest);
    levels_[1].reserve(finest / kFan + 2);
    carry_.reserve(static_cast<std::size_t>(kBlock));
}

template <typename T>
[[gnu::always_inline]] inline typename SummaryLevels<T>::Pair SummaryLevels<T>::EntryAt(std::size_t level,
                                                                                        int64_t i) const {
    const T* v = levels_[level].data() + 2 * i;
    return {v[0], v[1]};
}

template <typename T>
[[gnu::always_inline]] inline typename SummaryLevels<T>::Extent SummaryLevels<T>::ExtentOf(const Pair& p) const {
    return PairExtentOf(p.a, p.b, bits_);
}

template <typename T>
[[gnu::always_inline]] inline typename SummaryLevels<T>::Pair SummaryLevels<T>::PairOf(const Extent& e) const {
    if (bits_ || e.minFirst) return {e.mn, e.mx};
    return {e.mx, e.mn};
}

template <typename T>
[[gnu::always_inline]] inline void SummaryLevels<T>::Append(Extent& x, const Pair& p) const {
    AppendPair(x, p.a, p.b, bits_);
}

template <typename T>
[[gnu::always_inline]] inline void SummaryLevels<T>::Prepend(Extent& x, const Pair& p) const {
    if (bits_) {
        x.mn = static_cast<T>(x.mn & p.a);
        x.mx = static_cast<T>(x.mx | p.b);
        return;
    }
    const T mn = std::min(p.a, p.b), mx = std::max(p.a, p.b);
    const bool minHere = mn <= x.mn, maxHere = mx >= x.mx;
    const bool minFirst = p.a <= p.b;
    x.minFirst = minHere ? !maxHere || minFirst : !maxHere && x.minFirst;
    x.mn = minHere ? mn : x.mn;
    x.mx = maxHere ? mx : x.mx;
}

template <typename T>
typename SummaryLevels<T>::Pair SummaryLevels<T>::PairOf(const T* x, int64_t n) const {
    T pair[2];
    SummaryRangePair(x, n, bits_, pair);
    return {pair[0], pair[1]};
}

template <typename T>
void SummaryLevels<T>::WantCuts(std::vector<int64_t> cuts, std::vector<int64_t> blocks) {
    wanted_ = std::move(cuts);
    wantedBlocks_ = std::move(blocks);
}

template <typename T>
void SummaryLevels<T>::CollectCuts(int64_t first, int64_t n, const T* x, int64_t samples, PieceCuts& kept) const {
    const int64_t end = first * kBlock + samples;
    for (auto b = std::lower_bound(wantedBlocks_.begin(), wantedBlocks_.end(), first);
         b != wantedBlocks_.end() && *b < first + n; ++b) {
        kept.blocks.push_back(*b);
        const T* block = x + (*b - first) * kBlock;
        kept.blockSamples.insert(kept.blockSamples.end(), block, block + std::min(kBlock, end - *b * kBlock));
        kept.blockSamples.resize(kept.blocks.size() * static_cast<std::size_t>(kBlock));
    }
    for (auto w = std::lower_bound(wanted_.begin(), wanted_.end(), first * kBlock); w != wanted_.end() && *w <= end;
         ++w) {
        const int64_t cut = *w, b = cut / kBlock;
        if (b >= first + n) break;
        const int64_t j = cut - b * kBlock, len = std::min(kBlock, end - b * kBlock);
        if (j <= 0 || j > len) continue;
        const T* block = x + (b - first) * kBlock;
        Cut c;
        c.tail = PairOf(block, j);
        c.head = j < len ? PairOf(block + j, len - j) : c.tail;
        kept.cuts.emplace_back(cut, c);
    }
}

template <typename T>
void SummaryLevels<T>::KeepWantedCuts(int64_t first, int64_t n, const T* x, int64_t samples) {
    PieceCuts kept;
    CollectCuts(first, n, x, samples, kept);
    Keep(kept);
}

template <typename T>
void SummaryLevels<T>::Keep(const PieceCuts& kept) {
    for (const auto& [position, cut] : kept.cuts) KeepCut(position, cut);
    keptBlocks_.insert(keptBlocks_.end(), kept.blocks.begin(), kept.blocks.end());
    keptSamples_.insert(keptSamples_.end(), kept.blockSamples.begin(), kept.blockSamples.end());
}

template <typename T>
void SummaryLevels<T>::WriteBlockPairs(const T* x, int64_t blocks, T* out) const {
    SummaryBlockPairs(x, blocks, bits_, out);
}

template <typename T>
void SummaryLevels<T>::WriteSecondLevel(const T* below, int64_t groups, T* out) const {
    SummarySecondLevel(below, groups, bits_, out);
}

template <typename T>
void SummaryLevels<T>::EmitBlocks(const T* x, int64_t blocks) {
    if (!wanted_.empty() || !wantedBlocks_.empty()) KeepWantedCuts(FullBlocks(), blocks, x, blocks * kBlock);
    Level& level = levels_[0];
    const std::size_t old = level.size();
    level.resize(old + static_cast<std::size_t>(2 * blocks));
    WriteBlockPairs(x, blocks, level.data() + old);
}

template <typename T>
void SummaryLevels<T>::ExtendSecondLevel() {
    Level& level = levels_[1];
    const int64_t have = static_cast<int64_t>(level.size() / 2);
    const int64_t can = static_cast<int64_t>(levels_[0].size() / 2) / kFan;
    if (can <= have) return;
    level.resize(static_cast<std::size_t>(2 * can));
    WriteSecondLevel(levels_[0].data() + 2 * kFan * have, can - have, level.data() + 2 * have);
}

template <typename T>
void SummaryLevels<T>::Reserve(int64_t samples) {
    if (finished_ || samples_ > 0 || samples < 0) return;
    reserved_ = true;
    samples_ = samples;
    // Sized, not filled: the pieces write every pair.
    levels_[0].resize(static_cast<std::size_t>(samples / kBlock * 2));
    levels_[1].resize(static_cast<std::size_t>(samples / kBlock / kFan * 2));
}

template <typename T>
void SummaryLevels<T>::FillAt(int64_t first, const T* x, int64_t n, PieceCuts& kept) {
    const bool endsStream = first + n == samples_;
    if (!reserved_ || finished_ || n <= 0 || first < 0 || first % kPieceAlign != 0 || first + n > samples_ ||
        (!endsStream && n % kPieceAlign != 0))
        return;
    const int64_t firstBlock = first / kBlock, blocks = n / kBlock;
    const int64_t partial = n % kBlock != 0 ? 1 : 0;
    if (!wanted_.empty() || !wantedBlocks_.empty()) CollectCuts(firstBlock, blocks + partial, x, n, kept);
    WriteBlockPairs(x, blocks, levels_[0].data() + 2 * firstBlock);
    WriteSecondLevel(levels_[0].data() + 2 * firstBlock, blocks / kFan, levels_[1].data() + 2 * (firstBlock / kFan));
    if (partial) kept.tail.assign(x + blocks * kBlock, x + n);
}

template <typename T>
void SummaryLevels<T>::Adopt(std::span<PieceCuts> kept) {
    if (!reserved_ || finished_) return;
    // Each thread's cuts and blocks are in order; all of them in stream order, as
    // appending would have kept them.
    PieceCuts all;
    std::vector<std::pair<int64_t, const T*>> blocks;
    for (PieceCuts& piece : kept) {
        all.cuts.insert(all.cuts.end(), piece.cuts.begin(), piece.cuts.end());
        for (std::size_t i = 0; i < piece.blocks.size(); ++i)
            blocks.emplace_back(piece.blocks[i], piece.blockSamples.data() + i * static_cast<std::size_t>(kBlock));
        if (!piece.tail.empty()) carry_ = piece.tail;
    }
    std::sort(all.cuts.begin(), all.cuts.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    std::sort(blocks.begin(), blocks.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    for (const auto& [b, samples] : blocks) {
        all.blocks.push_back(b);
        all.blockSamples.insert(all.blockSamples.end(), samples, samples + kBlock);
    }
    Keep(all);
    wanted_ = {};
    wantedBlocks_ = {};
}

template <typename T>
void SummaryLevels<T>::Append(const T* x, int64_t n) {
    if (finished_ || reserved_ || n <= 0) return;
    samples_ += n;
    if (!carry_.empty()) {
        const int64_t take = std::min(n, kBlock - static_cast<int64_t>(carry_.size()));
        carry_.insert(carry_.end(), x, x + take);
        x += take;
        n -= take;
        if (static_cast<int64_t>(carry_.size()) < kBlock) return;
        EmitBlocks(carry_.data(), 1);
        carry_.clear();
        if (n == 0) ExtendSecondLevel();
    }
    const int64_t blocks = n / kBlock;
    if (blocks > 0) EmitBlocks(x, blocks);
    carry_.insert(carry_.end(), x + blocks * kBlock, x + n);
    ExtendSecondLevel();
}

template <typename T>
void SummaryLevels<T>::Finish() {
    if (finished_) return;
    finished_ = true;
    if (!carry_.empty() && (!wanted_.empty() || !wantedBlocks_.empty()))
        KeepWantedCuts(FullBlocks(), 1, carry_.data(), static_cast<int64_t>(carry_.size()));
    wanted_ = {};
    wantedBlocks_ = {};
    keptSamples_.shrink_to_fit();
    ExtendSecondLevel();
    levels_[0].shrink_to_fit();
    levels_[1].shrink_to_fit();
    for (std::size_t lv = 1;; ++lv) {
        const int64_t below = static_cast<int64_t>(levels_[lv].size() / 2);
        if (below < 2 * kFan) break;
        Level next(static_cast<std::size_t>(below / kFan * 2));
        SummarySecondLevel(levels_[lv].data(), below / kFan, bits_, next.data());
        levels_.push_back(std::move(next));
    }
    carry_.shrink_to_fit();
}

template <typename T>
int64_t SummaryLevels<T>::Bytes() const {
    int64_t bytes = static_cast<int64_t>(sizeof(*this) + (carry_.capacity() + keptSamples_.capacity()) * sizeof(T) +
                                         keptBlocks_.capacity() * sizeof(int64_t));
    for (const Level& level : levels_) bytes += static_cast<int64_t>(level.capacity() * sizeof(T));
    // A kept cut: its node in the table with the bucket pointer, and its place in the order.
    constexpr int64_t kCutBytes = sizeof(Cut) + 3 * sizeof(void*) + 2 * sizeof(int64_t);
    return bytes + static_cast<int64_t>(cuts_.size()) * kCutBytes;
}

template <typename T>
void SummaryLevels<T>::DropCuts() {
    cuts_ = {};
    cutOrder_ = {};
    keptBlocks_ = {};
    keptSamples_ = {};
}

template <typename T>
void SummaryLevels<T>::KeepCut(int64_t position, const Cut& cut) {
    if (cuts_.size() >= kMaxCuts && !cutOrder_.empty()) {
        cuts_.erase(cutOrder_.front());
        cutOrder_.pop_front();
    }
    if (cuts_.emplace(position, cut).second) cutOrder_.push_back(position);
}

template <typename T>
typename SummaryLevels<T>::Pair SummaryLevels<T>::GroupPair(const Pair* head, int64_t lo, int64_t hi,
                                                            const Pair* tail) const {
    // Whole blocks join the left part from its end and the right part from its start.
    Extent left{}, right{};
    bool haveLeft = head != nullptr, haveRight = tail != nullptr;
    if (haveLeft) left = ExtentOf(*head);
    if (haveRight) right = ExtentOf(*tail);
    auto addLeft = [&](const Pair& p) {
        if (haveLeft) Append(left, p);
        else left = ExtentOf(p), haveLeft = true;
    };
    auto addRight = [&](const Pair& p) {
        if (haveRight) Prepend(right, p);
        else right = ExtentOf(p), haveRight = true;
    };
    for (std::size_t lv = 0; lo < hi; ++lv) {
        if (lv + 1 == levels_.size()) {
            while (lo < hi) addLeft(EntryAt(lv, lo++));
            break;
        }
        while (lo < hi && lo % kFan != 0) addLeft(EntryAt(lv, lo++));
        while (lo < hi && hi % kFan != 0) addRight(EntryAt(lv, --hi));
        lo /= kFan;
        hi /= kFan;
    }
    if (!haveLeft) return PairOf(right);
    if (haveRight) Append(left, PairOf(right));
    return PairOf(left);
}

template <typename T>
const T* SummaryLevels<T>::BlockSamples(int64_t b, const ReadBlocks& blocks, int64_t& n) const {
    n = 0;
    if (b == FullBlocks() && !carry_.empty()) {
        n = static_cast<int64_t>(carry_.size());
        return carry_.data();
    }
    if (const auto kept = std::lower_bound(keptBlocks_.begin(), keptBlocks_.end(), b);
        kept != keptBlocks_.end() && *kept == b) {
        n = std::min(kBlock, samples_ - b * kBlock);
        return keptSamples_.data() + (kept - keptBlocks_.begin()) * kBlock;
    }
    const auto it = std::upper_bound(blocks.firstBlock.begin(), blocks.firstBlock.end(), b);
    if (it == blocks.firstBlock.begin()) return nullptr;
    const auto run = static_cast<std::size_t>(it - blocks.firstBlock.begin() - 1);
    const int64_t within = (b - blocks.firstBlock[run]) * kBlock;
    if (within >= blocks.length[run]) return nullptr;
    n = std::min(kBlock, blocks.length[run] - within);
    return blocks.samples.data() + blocks.offset[run] + within;
}

template <typename T>
int64_t SummaryLevels<T>::GroupsOf(int64_t n, int stepCode) {
    const int64_t g = stepCode / 256, f = stepCode % 256;
    if (g < 1 || n <= 0) return 0;
    if (f == 0) return (n + g - 1) / g;  // groups of g, the last one shorter
    int64_t groups = 0, size = std::min(g, n), acc = 0;
    for (int64_t pos = 0; pos < n; ++groups) {
        pos += std::min(size, n - pos);
        size = g;
        if (f > 0) {
            if (acc + f > 255) ++size;
            acc = (acc + f) % 256;
        }
    }
    return groups;
}

template <typename T>
void SummaryLevels<T>::CutsOf(std::span<const StreamChunk> chunks, int stepCode, int64_t capacity,
                              std::vector<int64_t>& cuts, std::vector<int64_t>& blocks) {
    if (stepCode / 256 < kBlock) return;
    ForEachGroup(chunks, stepCode, capacity, [&](int64_t s, int64_t e) {
        if (InOneBlock(s, e)) {
            blocks.push_back(s / kBlock);
            return;
        }
        for (const int64_t p : {s, e})
            if (p % kBlock != 0 && (cuts.empty() || cuts.back() != p)) cuts.push_back(p);
    });
}

template <typename T>
int SummaryLevels<T>::Reduce(std::span<const StreamChunk> chunks, int stepCode, const StreamReader& read, T* out,
                             int64_t capacity, int64_t& written) {
    written = 0;
    const int64_t g = stepCode / 256;
    if (g < kBlock || capacity <= 0 || !finished_) return -1;
    // The groups of every chunk as the pair reduction cuts them, until capacity values.
    auto walk = [&](auto&& group) { ForEachGroup(chunks, stepCode, capacity, group); };
    auto inOneBlock = [](int64_t s, int64_t e) { return InOneBlock(s, e); };

    // Where groups start or end inside a block, and the groups within one block.
    std::vector<int64_t> cutAt;
    std::vector<StreamChunk> small;
    walk([&](int64_t s, int64_t e) {
        if (inOneBlock(s, e)) {
            small.push_back({s, e - s});
            return;
        }
        for (const int64_t p : {s, e})
            if (p % kBlock != 0 && (cutAt.empty() || cutAt.back() != p)) cutAt.push_back(p);
        // The pairs at the ends of the group's whole blocks, level by level: fetched
        // from memory now, they are at hand when the group is combined below.
        int64_t lo = (s + kBlock - 1) / kBlock, hi = e / kBlock;
        for (std::size_t lv = 0; lv < levels_.size() && lo < hi; ++lv, lo /= kFan, hi /= kFan) {
            __builtin_prefetch(levels_[lv].data() + 2 * lo);
            __builtin_prefetch(levels_[lv].data() + 2 * (hi - 1));
        }
    });
    for (const int64_t p : cutAt)
        if (p > samples_) return kSummaryStale;
    for (const StreamChunk& r : small)
        if (r.first + r.count > samples_) return kSummaryStale;

    std::vector<Cut> split(cutAt.size());
    std::vector<uint8_t> known(cutAt.size(), 0);
    std::vector<int64_t> need;
    for (std::size_t i = 0; i < cutAt.size(); ++i) {
        const auto it = cuts_.find(cutAt[i]);
        if (it != cuts_.end()) {
            split[i] = it->second;
            known[i] = 1;
        } else {
            need.push_back(cutAt[i] / kBlock);
        }
    }
    for (const StreamChunk& r : small) need.push_back(r.first / kBlock);
    std::sort(need.begin(), need.end());
    need.erase(std::unique(need.begin(), need.end()), need.end());
    // The stream's last partial block is kept whole, and so may be others.
    if (!need.empty() && need.back() == FullBlocks() && !carry_.empty()) need.pop_back();
    std::erase_if(need, [&](int64_t b) { return std::binary_search(keptBlocks_.begin(), keptBlocks_.end(), b); });

    ReadBlocks blocks;
    const int64_t gapBlocks = std::max<int64_t>(kGapBytes / (kBlock * static_cast<int64_t>(sizeof(T))), 1);
    const int64_t runBlocks = kMaxRunBytes / (kBlock * static_cast<int64_t>(sizeof(T)));
    for (std::size_t i = 0; i < need.size();) {
        std::size_t j = i + 1;
        while (j < need.size() && need[j] - need[j - 1] <= gapBlocks && need[j] - need[i] < runBlocks) ++j;
        const int64_t first = need[i] * kBlock;
        const int64_t count = std::min((need[j - 1] + 1) * kBlock, samples_) - first;
        const auto offset = static_cast<int64_t>(blocks.samples.size());
        blocks.samples.resize(static_cast<std::size_t>(offset + count));
        int64_t got = 0;
        const int rc = read(first, count,
                            std::span(reinterpret_cast<uint8_t*>(blocks.samples.data() + offset),
                                      static_cast<std::size_t>(count) * sizeof(T)),
                            got);
        if (rc != kFileOk) return rc;
        if (got != count) return kSummaryStale;
        blocks.firstBlock.push_back(need[i]);
        blocks.offset.push_back(offset);
        blocks.length.push_back(count);
        i = j;
    }

    for (std::size_t i = 0; i < cutAt.size(); ++i) {
        if (known[i]) continue;
        int64_t n = 0;
        const int64_t b = cutAt[i] / kBlock;
        const T* x = BlockSamples(b, blocks, n);
        const int64_t j = cutAt[i] - b * kBlock;
        if (!x || j > n) return kSummaryStale;
        split[i].tail = PairOf(x, j);
        split[i].head = j < n ? PairOf(x + j, n - j) : split[i].tail;
        KeepCut(cutAt[i], split[i]);
    }
    std::vector<Pair> smallPairs;
    smallPairs.reserve(small.size());
    for (const StreamChunk& r : small) {
        int64_t n = 0;
        const int64_t b = r.first / kBlock;
        const T* x = BlockSamples(b, blocks, n);
        const int64_t j = r.first - b * kBlock;
        if (!x || j + r.count > n) return kSummaryStale;
        smallPairs.push_back(PairOf(x + j, r.count));
    }

    std::size_t cut = 0, next = 0;
    auto splitAt = [&](int64_t p) -> const Cut& {
        while (cutAt[cut] < p) ++cut;
        return split[cut];
    };
    walk([&](int64_t s, int64_t e) {
        Pair p{};
        if (inOneBlock(s, e)) {
            p = smallPairs[next++];
        } else {
            const Pair* head = s % kBlock != 0 ? &splitAt(s).head : nullptr;
            const Pair* tail = e % kBlock != 0 ? &splitAt(e).tail : nullptr;
            const int64_t firstFull = (s + kBlock - 1) / kBlock, lastFull = std::max(e / kBlock, firstFull);
            p = GroupPair(head, firstFull, lastFull, tail);
        }
        out[written++] = p.a;
        if (written < capacity) out[written++] = p.b;
    });
    return -1;
}

template class SummaryLevels<int8_t>;
template class SummaryLevels<uint8_t>;
template class SummaryLevels<int16_t>;
template class SummaryLevels<uint16_t>;
template class SummaryLevels<int32_t>;
template class SummaryLevels<uint32_t>;

}  // namespace kivelo
