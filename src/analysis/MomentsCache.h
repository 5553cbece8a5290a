#pragma once
// Moments summaries of records already read, per open file, block and trace, up
// to a budget of bytes (the oldest go first). Safe to use from several threads;
// each build reads through the caller's own file object.
#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>

#include "analysis/MomentsSummary.h"

namespace kivelo {

class MomentsCache {
public:
    // Each summary is built on `threads` threads (0: one per processor).
    explicit MomentsCache(int64_t budgetBytes = int64_t{256} << 20, int threads = 0);

    // The summary of the source's record, built on first use; null with the cause
    // in error (or an empty error when stop was raised).
    std::shared_ptr<const MomentsSummary> Get(SampleSource& source, std::string& error,
                                              const std::atomic<bool>* stop = nullptr);
    // The summary when one is kept, else null (nothing is read).
    std::shared_ptr<const MomentsSummary> Find(const SampleSource& source);
    void Clear();
    int64_t Bytes() const;
    // The threads a build uses.
    int Threads() const { return threads_; }

private:
    using Key = std::tuple<uint64_t, int, int>;
    struct Entry {
        Key key;
        std::shared_ptr<const MomentsSummary> summary;
    };

    std::shared_ptr<const MomentsSummary> FindLocked(const Key& key);

    int64_t budget_;
    int threads_;
    mutable std::mutex mutex_;
    std::list<Entry> entries_;  // most recently used first
    int64_t bytes_ = 0;
};

// The cache MeasureTrace uses unless given another one.
MomentsCache& SharedMomentsCache();

}  // namespace kivelo
