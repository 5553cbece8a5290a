#pragma once
// The summaries of the envelope reads of the readers that share one memory budget
// (a document's three readers, or a reader of its own): complete summaries only,
// the least recently used dropped when the budget is exceeded. They outlive a
// reader's Close, so a file opened again in the same state is not read again.
// Used by one thread at a time, like the readers.
#include <chrono>
#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>

#include "wavefile/EnvelopeSummary.h"
#include "wavefile/SummaryKey.h"

namespace kivelo {

class SummaryStore {
public:
    // A file changed within this time before its open shares summaries with no other open.
    static constexpr std::chrono::milliseconds kDefaultSettle{2000};

    explicit SummaryStore(int64_t budgetBytes, std::chrono::milliseconds settle = kDefaultSettle);
    SummaryStore(const SummaryStore&) = delete;
    SummaryStore& operator=(const SummaryStore&) = delete;

    int64_t Budget() const { return budget_; }
    int64_t Bytes() const { return bytes_; }
    std::size_t Count() const { return entries_.size(); }
    std::chrono::milliseconds Settle() const { return settle_; }
    bool Fits(int64_t bytes) const { return bytes <= budget_; }
    // A number no other open of a file got.
    uint64_t NewSession() { return ++sessions_; }
    // Threads that summarise a large record: 0 (the default) one per processor.
    void SetThreads(int threads) { threads_ = threads < 0 ? 0 : threads; }
    int Threads() const;

    // The summary for the key, now the most recently used; null when none.
    EnvelopeSummary* Find(const SummaryKey& key);
    // Keeps a finished summary, dropping the least recently used others beyond the
    // budget; null (and nothing kept) when it alone exceeds the budget.
    EnvelopeSummary* Insert(const SummaryKey& key, std::unique_ptr<EnvelopeSummary> summary);
    // The summary's size changed (kept cuts): the budget is enforced again, its own
    // cuts going last.
    void Update(const SummaryKey& key);
    void Erase(const SummaryKey& key);
    void EraseSession(uint64_t session);
    void Clear();

private:
    struct Entry {
        SummaryKey key;
        std::unique_ptr<EnvelopeSummary> summary;
        int64_t bytes = 0;
    };
    using List = std::list<Entry>;
    // Drops least recently used entries other than `keep` until the budget holds.
    void Trim(List::iterator keep);

    int64_t budget_;
    std::chrono::milliseconds settle_;
    int64_t bytes_ = 0;
    uint64_t sessions_ = 0;
    int threads_ = 0;
    List entries_;  // most recently used first
    std::unordered_map<SummaryKey, List::iterator, SummaryKeyHash> index_;
};

// About an eighth of the physical memory.
int64_t DefaultSummaryBudget();

}  // namespace kivelo
