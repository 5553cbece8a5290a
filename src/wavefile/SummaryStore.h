#pragma once
// The summaries of the envelope reads of the readers that share one memory budget
// (a document's three readers, or a reader of its own): complete summaries only,
// the least recently used dropped when the budget is exceeded. They outlive a
// reader's Close, so a file opened again in the same state is not read again.
// Safe to use from several threads at once: each summary is lent to one user at
// a time, and one dropped while lent lives on until its lease ends.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "wavefile/EnvelopeSummary.h"
#include "wavefile/SummaryKey.h"

namespace kivelo {

class SummaryStore {
    struct Held;

public:
    // A kept summary, for its holder alone while the lease lives; empty when none.
    class Lease {
    public:
        Lease() = default;
        explicit operator bool() const { return held_ != nullptr; }
        EnvelopeSummary& operator*() const;
        EnvelopeSummary* operator->() const { return &**this; }

    private:
        friend class SummaryStore;
        std::shared_ptr<Held> held_;
        std::unique_lock<std::mutex> lock_;
    };

    // A file changed within this time before its open shares summaries with no other open.
    static constexpr std::chrono::milliseconds kDefaultSettle{2000};

    explicit SummaryStore(int64_t budgetBytes, std::chrono::milliseconds settle = kDefaultSettle);
    SummaryStore(const SummaryStore&) = delete;
    SummaryStore& operator=(const SummaryStore&) = delete;

    int64_t Budget() const { return budget_; }
    int64_t Bytes() const;
    std::size_t Count() const;
    std::chrono::milliseconds Settle() const { return settle_; }
    bool Fits(int64_t bytes) const { return bytes <= budget_; }
    // A number no other open of a file got.
    uint64_t NewSession() { return ++sessions_; }
    // Threads that summarise a large record: 0 (the default) one per processor.
    void SetThreads(int threads) { threads_ = threads < 0 ? 0 : threads; }
    int Threads() const;

    // The summary for the key, now the most recently used, lent to the caller
    // (waiting while another holds it); empty when none.
    Lease Find(const SummaryKey& key);
    // Keeps a finished summary, dropping the least recently used others beyond the
    // budget; false (and nothing kept) when it alone exceeds the budget.
    bool Insert(const SummaryKey& key, std::unique_ptr<EnvelopeSummary> summary);
    // The lent summary's size changed (kept cuts): the budget is enforced again,
    // its own cuts going last. Nothing when the key holds another summary by now.
    void Update(const SummaryKey& key, const Lease& lease);
    void Erase(const SummaryKey& key);
    void EraseSession(uint64_t session);
    void Clear();

private:
    struct Held {
        std::mutex lock;
        std::unique_ptr<EnvelopeSummary> summary;
    };
    struct Entry {
        SummaryKey key;
        std::shared_ptr<Held> held;
        int64_t bytes = 0;
    };
    using List = std::list<Entry>;
    // Drops least recently used entries other than `keep` until the budget holds.
    void Trim(List::iterator keep);
    void EraseLocked(const SummaryKey& key);

    int64_t budget_;
    std::chrono::milliseconds settle_;
    mutable std::mutex mutex_;  // guards what follows
    int64_t bytes_ = 0;
    std::atomic<uint64_t> sessions_{0};
    std::atomic<int> threads_{0};
    List entries_;  // most recently used first
    std::unordered_map<SummaryKey, List::iterator, SummaryKeyHash> index_;
};

// About an eighth of the physical memory.
int64_t DefaultSummaryBudget();

}  // namespace kivelo
