#include "wavefile/SummaryFeed.h"

#include <utility>

namespace kivelo {

SummaryFeed::SummaryFeed(SummaryStore& store, const SummaryKey& key, std::unique_ptr<EnvelopeSummary> summary,
                         int64_t samples, int threads)
    : store_(store),
      key_(key),
      summary_(std::move(summary)),
      samples_(samples),
      seen_(static_cast<size_t>((samples + kRunAlign - 1) / kRunAlign)) {
    summary_->Reserve(samples);
    for (int t = 0; t < threads; ++t) kept_.push_back(summary_->NewPieceCuts());
}

void SummaryFeed::Fill(int thread, int64_t first, std::span<const int16_t> samples) {
    const auto n = static_cast<int64_t>(samples.size());
    const bool endsRecord = first + n == samples_;
    if (thread < 0 || static_cast<size_t>(thread) >= kept_.size() || n <= 0 || first < 0 || first + n > samples_ ||
        first % kRunAlign != 0 || (!endsRecord && n % kRunAlign != 0)) {
        misfit_.store(true, std::memory_order_relaxed);
        return;
    }
    // Each aligned stretch may come once: a count alone would not tell a gap from a repeat.
    for (int64_t a = first / kRunAlign; a < (first + n + kRunAlign - 1) / kRunAlign; ++a)
        if (seen_[static_cast<size_t>(a)].exchange(1, std::memory_order_relaxed)) {
            misfit_.store(true, std::memory_order_relaxed);
            return;
        }
    summary_->FillAt(first, std::span(reinterpret_cast<const uint8_t*>(samples.data()), samples.size_bytes()),
                     kept_[static_cast<size_t>(thread)]);
    filled_.fetch_add(n, std::memory_order_relaxed);
}

std::span<const int16_t> SummaryFeed::BlockPairs(int64_t first, int64_t count) const {
    constexpr int64_t kBlocksPerAlign = kRunAlign / EnvelopeSummary::kBlock;
    if (!summary_ || first < 0 || count <= 0 || first + count > samples_ / EnvelopeSummary::kBlock) return {};
    for (int64_t a = first / kBlocksPerAlign; a <= (first + count - 1) / kBlocksPerAlign; ++a)
        if (!seen_[static_cast<size_t>(a)].load(std::memory_order_relaxed)) return {};
    return summary_->BlockPairs(first, count);
}

bool SummaryFeed::Keep() {
    if (!summary_ || misfit_.load() || filled_.load() != samples_) return false;
    summary_->Adopt(kept_);
    summary_->Finish();
    return store_.Insert(key_, std::move(summary_));
}

}  // namespace kivelo
