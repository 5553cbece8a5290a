#include "wavefile/SummaryStore.h"

#include <algorithm>
#include <thread>

#include "common/MachineMemory.h"

namespace kivelo {

SummaryStore::SummaryStore(int64_t budgetBytes, std::chrono::milliseconds settle)
    : budget_(std::max<int64_t>(budgetBytes, 0)), settle_(settle) {}

EnvelopeSummary& SummaryStore::Lease::operator*() const { return *held_->summary; }

int64_t SummaryStore::Bytes() const {
    std::lock_guard lock(mutex_);
    return bytes_;
}

std::size_t SummaryStore::Count() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

SummaryStore::Lease SummaryStore::Find(const SummaryKey& key) {
    Lease lease;
    {
        std::lock_guard lock(mutex_);
        const auto it = index_.find(key);
        if (it == index_.end()) return lease;
        entries_.splice(entries_.begin(), entries_, it->second);
        lease.held_ = it->second->held;
    }
    // Taken after the store's lock is let go: Update takes them the other way round.
    lease.lock_ = std::unique_lock(lease.held_->lock);
    return lease;
}

bool SummaryStore::Insert(const SummaryKey& key, std::unique_ptr<EnvelopeSummary> summary) {
    if (!summary) return false;
    std::lock_guard lock(mutex_);
    EraseLocked(key);
    const int64_t bytes = summary->Bytes();
    if (!Fits(bytes)) return false;
    auto held = std::make_shared<Held>();
    held->summary = std::move(summary);
    entries_.push_front(Entry{key, std::move(held), bytes});
    index_.emplace(key, entries_.begin());
    bytes_ += bytes;
    Trim(entries_.begin());
    return true;
}

void SummaryStore::Update(const SummaryKey& key, const Lease& lease) {
    std::lock_guard lock(mutex_);
    const auto it = index_.find(key);
    if (it == index_.end() || it->second->held != lease.held_) return;
    Entry& e = *it->second;
    bytes_ -= e.bytes;
    e.bytes = e.held->summary->Bytes();
    bytes_ += e.bytes;
    Trim(it->second);
    if (bytes_ > budget_) {
        bytes_ -= e.bytes;
        e.held->summary->DropCuts();
        e.bytes = e.held->summary->Bytes();
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
    std::lock_guard lock(mutex_);
    EraseLocked(key);
}

void SummaryStore::EraseLocked(const SummaryKey& key) {
    const auto it = index_.find(key);
    if (it == index_.end()) return;
    bytes_ -= it->second->bytes;
    entries_.erase(it->second);
    index_.erase(it);
}

void SummaryStore::EraseSession(uint64_t session) {
    if (session == 0) return;
    std::lock_guard lock(mutex_);
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
    std::lock_guard lock(mutex_);
    entries_.clear();
    index_.clear();
    bytes_ = 0;
}

int SummaryStore::Threads() const {
    if (const int n = threads_.load(); n > 0) return n;
    return static_cast<int>(std::max(std::thread::hardware_concurrency(), 1u));
}

int64_t DefaultSummaryBudget() {
    const int64_t memory = PhysicalMemoryBytes();
    return memory > 0 ? memory / 8 : int64_t{256} << 20;
}

}  // namespace kivelo
