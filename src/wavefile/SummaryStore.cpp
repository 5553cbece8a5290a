#include "wavefile/SummaryStore.h"

#include <unistd.h>

#include <algorithm>
#include <thread>

namespace kivelo {

SummaryStore::SummaryStore(int64_t budgetBytes, std::chrono::milliseconds settle)
    : budget_(std::max<int64_t>(budgetBytes, 0)), settle_(settle) {}

EnvelopeSummary* SummaryStore::Find(const SummaryKey& key) {
    const auto it = index_.find(key);
    if (it == index_.end()) return nullptr;
    entries_.splice(entries_.begin(), entries_, it->second);
    return it->second->summary.get();
}

EnvelopeSummary* SummaryStore::Insert(const SummaryKey& key, std::unique_ptr<EnvelopeSummary> summary) {
    if (!summary) return nullptr;
    Erase(key);
    const int64_t bytes = summary->Bytes();
    if (!Fits(bytes)) return nullptr;
    entries_.push_front(Entry{key, std::move(summary), bytes});
    index_.emplace(key, entries_.begin());
    bytes_ += bytes;
    Trim(entries_.begin());
    return entries_.front().summary.get();
}

void SummaryStore::Update(const SummaryKey& key) {
    const auto it = index_.find(key);
    if (it == index_.end()) return;
    Entry& e = *it->second;
    bytes_ -= e.bytes;
    e.bytes = e.summary->Bytes();
    bytes_ += e.bytes;
    Trim(it->second);
    if (bytes_ > budget_) {
        bytes_ -= e.bytes;
        e.summary->DropCuts();
        e.bytes = e.summary->Bytes();
        bytes_ += e.bytes;
    }
}

void SummaryStore::Trim(List::iterator keep) {
    auto it = entries_.end();
    while (bytes_ > budget_ && it != entries_.begin()) {
        --it;
        if (it == keep) continue;
        bytes_ -= it->bytes;
        index_.erase(it->key);
        it = entries_.erase(it);
    }
}

void SummaryStore::Erase(const SummaryKey& key) {
    const auto it = index_.find(key);
    if (it == index_.end()) return;
    bytes_ -= it->second->bytes;
    entries_.erase(it->second);
    index_.erase(it);
}

void SummaryStore::EraseSession(uint64_t session) {
    if (session == 0) return;
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (it->key.session != session) {
            ++it;
            continue;
        }
        bytes_ -= it->bytes;
        index_.erase(it->key);
        it = entries_.erase(it);
    }
}

void SummaryStore::Clear() {
    entries_.clear();
    index_.clear();
    bytes_ = 0;
}

int SummaryStore::Threads() const {
    if (threads_ > 0) return threads_;
    return static_cast<int>(std::max(std::thread::hardware_concurrency(), 1u));
}

int64_t DefaultSummaryBudget() {
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return int64_t{256} << 20;
    return static_cast<int64_t>(pages) * pageSize / 8;
}

}  // namespace kivelo
