#include "display/PointCache.h"

#include <algorithm>

#include "display/TraceSet.h"

namespace kivelo {

void PointCache::Resize(int records) {
    records = std::max(records, 0);
    if (records == records_) return;
    records_ = records;
    entries_.clear();
    entries_.resize(static_cast<size_t>(records) * kTraceCount);
}

size_t PointCache::Slot(int record, int index) const {
    if (records_ <= 0 || record < 0 || index < 0 || index >= kTraceCount) return entries_.size();
    return static_cast<size_t>(record % records_) * kTraceCount + static_cast<size_t>(index);
}

bool PointCache::Fetch(int index, const LoadKey& key, DisplayTrace& trace) const {
    const size_t slot = Slot(key.record, index);
    if (slot >= entries_.size()) return false;
    const Entry& e = entries_[slot];
    if (e.key.document == 0 || !(e.key == key)) return false;
    std::copy(e.samples.begin(), e.samples.end(), trace.samples.begin());
    trace.pointCount = static_cast<uint32_t>(e.samples.size());
    return true;
}

void PointCache::Keep(int index, const LoadKey& key, const DisplayTrace& trace) {
    const size_t slot = Slot(key.record, index);
    if (slot >= entries_.size()) return;
    Entry& e = entries_[slot];
    const size_t count = std::min<size_t>(trace.pointCount, DisplayTrace::kMaxPoints);
    e.key = key;
    e.samples.assign(trace.samples.begin(), trace.samples.begin() + static_cast<std::ptrdiff_t>(count));
}

void PointCache::Clear() {
    for (Entry& e : entries_) e = Entry{};
}

}  // namespace kivelo
