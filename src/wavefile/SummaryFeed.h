#pragma once
// The summary of one record's samples made from reads that a caller makes anyway,
// so that the samples are not read a second time for it: the caller hands over
// every run of the record once, in any order and from several threads at once,
// and the summary is kept in the store when the last one has come.
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "wavefile/EnvelopeSummary.h"
#include "wavefile/SummaryKey.h"
#include "wavefile/SummaryStore.h"

namespace kivelo {

class SummaryFeed {
public:
    // Runs handed over start at multiples of this; all but the record's last are as long as a multiple of it.
    static constexpr int64_t kRunAlign = EnvelopeSummary::kPieceAlign;

    SummaryFeed(SummaryStore& store, const SummaryKey& key, std::unique_ptr<EnvelopeSummary> summary, int64_t samples,
                int threads);
    // Samples [first, first + n) of the record, as stored (2-byte signed), by thread `thread` of those given.
    void Fill(int thread, int64_t first, std::span<const int16_t> samples);
    // The pairs of whole blocks that the calling thread handed over already (see
    // EnvelopeSummary::BlockPairs); empty when not all of them were handed over.
    std::span<const int16_t> BlockPairs(int64_t first, int64_t count) const;
    // Keeps the summary once every sample of the record was handed over exactly once; false (nothing kept) otherwise.
    bool Keep();

private:
    SummaryStore& store_;
    SummaryKey key_;
    std::unique_ptr<EnvelopeSummary> summary_;
    int64_t samples_;
    std::vector<EnvelopeSummary::PieceCuts> kept_;  // per thread
    std::vector<std::atomic<uint8_t>> seen_;        // per kRunAlign samples: handed over
    std::atomic<int64_t> filled_{0};
    std::atomic<bool> misfit_{false};  // a run not aligned or out of the record
};

}  // namespace kivelo
