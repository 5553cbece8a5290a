#include "analysis/MomentsSummary.h"

#include <algorithm>
#include <thread>

#include "analysis/MomentKernels.h"
#include "wavefile/ScratchPool.h"

namespace kivelo {

bool MomentsSummary::Build(SampleSource& source, std::string& error, const std::atomic<bool>* stop, int threads) {
    size_ = source.Size();
    groups_.clear();
    runs_.assign(static_cast<std::size_t>((size_ + kBlock - 1) / kBlock), Moments{});
    const SampleType type = source.Type();
    const int64_t width = static_cast<int64_t>(WithSampleType(type, [](auto t) { return sizeof(t); }));
    // Pieces of 256 KB: each is summed while the read has left it in the cache.
    const int64_t piece = std::max(kBlock, (int64_t{256} << 10) / width / kBlock * kBlock);
    const int64_t pieces = (size_ + piece - 1) / piece;
    // Threads take stretches of kStretch pieces in turn, so that one held up on a
    // busy machine leaves the rest to the others; each reads through its own buffer.
    constexpr int64_t kStretch = 8;
    const int used = static_cast<int>(std::clamp<int64_t>(threads, 1, (pieces + kStretch - 1) / kStretch));
    std::vector<std::string> errors(static_cast<std::size_t>(used));
    std::atomic<bool> failed{false};
    std::atomic<int64_t> next{used};
    // Buffers kept from build to build: fresh memory costs a page fault per 4 KB.
    static ScratchPool<uint8_t> pool;
    const auto work = [&](int k) {
        ScratchPool<uint8_t>::Lease buffer(pool);
        const std::span<uint8_t> bytes = buffer.First(piece * width);
        const auto sum = [&](const uint8_t* at, int64_t n, int64_t pos) {
            if (failed.load(std::memory_order_relaxed) || (stop != nullptr && stop->load(std::memory_order_relaxed)))
                return false;
            RunMoments(type, at, n, kBlock, &runs_[static_cast<std::size_t>(pos / kBlock)]);
            return true;
        };
        // Thread k starts with stretch k, then takes the next one not taken.
        for (int64_t stretch = k; stretch * kStretch < pieces; stretch = next.fetch_add(1)) {
            const int64_t from = stretch * kStretch * piece, to = std::min(size_, (stretch + 1) * kStretch * piece);
            if (!source.ReadWith(bytes, from, to - from, piece, sum, errors[static_cast<std::size_t>(k)])) {
                failed.store(true, std::memory_order_relaxed);
                return;
            }
        }
    };
    {
        std::vector<std::jthread> helpers;
        for (int k = 1; k < used; ++k) helpers.emplace_back(work, k);
        work(0);
    }
    if (failed.load()) {
        runs_.clear();
        const auto cause = std::find_if(errors.begin(), errors.end(), [](const std::string& e) { return !e.empty(); });
        error = cause != errors.end() ? *cause : std::string();
        return false;
    }
    groups_.reserve(runs_.size() / kFan + 1);
    for (std::size_t g = 0; g < runs_.size(); g += kFan) {
        Moments m;
        for (std::size_t r = g; r < std::min(runs_.size(), g + kFan); ++r) m.Merge(runs_[r]);
        groups_.push_back(m);
    }
    return true;
}

void MomentsSummary::MergeRuns(int64_t from, int64_t to, Moments& out) const {
    while (from < to && from % kFan != 0) out.Merge(runs_[static_cast<std::size_t>(from++)]);
    for (; from + kFan <= to; from += kFan) out.Merge(groups_[static_cast<std::size_t>(from / kFan)]);
    while (from < to) out.Merge(runs_[static_cast<std::size_t>(from++)]);
}

bool MomentsSummary::Query(SampleSource& source, int64_t first, int64_t count, Moments& out, std::string& error) const {
    out = Moments{};
    if (!source.CheckSpan(first, count, error)) return false;
    if (source.Size() != size_) {
        error = "the record changed since it was summarised";
        return false;
    }
    const int64_t end = first + count;
    // Whole runs inside the span: [r0, r1); the record's last run counts as whole when the span reaches its end.
    const int64_t r0 = (first + kBlock - 1) / kBlock;
    int64_t r1 = end / kBlock;
    if (end == size_) r1 = static_cast<int64_t>(runs_.size());
    const auto readSpan = [&](int64_t a, int64_t b) {
        return source.Read(
            a, b - a,
            [&](const uint8_t* bytes, int64_t n, int64_t) {
                out.Merge(MomentsOf(source.Type(), bytes, n));
                return true;
            },
            error);
    };
    if (r0 >= r1) return readSpan(first, end);  // within one run or two neighbours
    const int64_t wholeEnd = std::min(r1 * kBlock, size_);
    if (!readSpan(first, std::min(r0 * kBlock, end)) || !readSpan(wholeEnd, end)) return false;
    MergeRuns(r0, r1, out);
    return true;
}

}  // namespace kivelo
