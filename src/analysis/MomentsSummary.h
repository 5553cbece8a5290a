#pragma once
// The moments of one record of one trace kept per run of kBlock samples, and per
// kFan such runs above them, so that the moments of any span cost a few hundred
// merges plus the reads of its two ragged ends.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/Moments.h"
#include "analysis/SampleSource.h"
#include "common/HugePages.h"

namespace kivelo {

class MomentsSummary {
public:
    static constexpr int64_t kBlock = 4096;
    static constexpr int64_t kFan = 64;

    // Reads the whole record once, in ranges on up to `threads` threads; false with
    // the cause in error (or, when stop was raised, with an empty error).
    bool Build(SampleSource& source, std::string& error, const std::atomic<bool>* stop = nullptr, int threads = 1);
    // The moments of [first, first + count) of the record the summary was built from,
    // reading the samples before the first and after the last whole run from source.
    bool Query(SampleSource& source, int64_t first, int64_t count, Moments& out, std::string& error) const;

    int64_t Size() const { return size_; }
    int64_t Bytes() const { return static_cast<int64_t>((runs_.size() + groups_.size()) * sizeof(Moments)); }

private:
    // Merges whole runs [from, to) into out.
    void MergeRuns(int64_t from, int64_t to, Moments& out) const;

    int64_t size_ = 0;
    std::vector<Moments, HugePageAllocator<Moments>> runs_;  // one per kBlock samples (the last may be shorter)
    std::vector<Moments> groups_;                            // one per kFan runs
};

}  // namespace kivelo
