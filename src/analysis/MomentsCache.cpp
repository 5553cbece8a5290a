#include "analysis/MomentsCache.h"

#include <algorithm>
#include <thread>

namespace kivelo {

MomentsCache::MomentsCache(int64_t budgetBytes, int threads)
    : budget_(budgetBytes),
      threads_(threads > 0 ? threads : static_cast<int>(std::max(std::thread::hardware_concurrency(), 1u))) {}

std::shared_ptr<const MomentsSummary> MomentsCache::Find(const SampleSource& source) {
    std::lock_guard lock(mutex_);
    return FindLocked({source.OpenSerial(), source.Block(), source.Trace()});
}

std::shared_ptr<const MomentsSummary> MomentsCache::FindLocked(const Key& key) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->key != key) continue;
        entries_.splice(entries_.begin(), entries_, it);
        return entries_.front().summary;
    }
    return nullptr;
}

std::shared_ptr<const MomentsSummary> MomentsCache::Get(SampleSource& source, std::string& error,
                                                        const std::atomic<bool>* stop) {
    if (auto kept = Find(source)) return kept;
    auto built = std::make_shared<MomentsSummary>();
    if (!built->Build(source, error, stop, threads_)) return nullptr;
    const Key key{source.OpenSerial(), source.Block(), source.Trace()};
    std::lock_guard lock(mutex_);
    if (auto kept = FindLocked(key)) return kept;  // another thread built it meanwhile
    entries_.push_front({key, built});
    bytes_ += built->Bytes();
    while (bytes_ > budget_ && entries_.size() > 1) {
        bytes_ -= entries_.back().summary->Bytes();
        entries_.pop_back();
    }
    return built;
}

void MomentsCache::Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
    bytes_ = 0;
}

int64_t MomentsCache::Bytes() const {
    std::lock_guard lock(mutex_);
    return bytes_;
}

MomentsCache& SharedMomentsCache() {
    static MomentsCache cache;
    return cache;
}

}  // namespace kivelo
