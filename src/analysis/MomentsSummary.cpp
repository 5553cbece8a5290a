#include "analysis/MomentsSummary.h"

#include <algorithm>

namespace kivelo {

bool MomentsSummary::Build(SampleSource& source, std::string& error, const std::atomic<bool>* stop) {
    static_assert(SampleSource::kPiece % kBlock == 0, "pieces hold whole runs");
    size_ = source.Size();
    runs_.clear();
    groups_.clear();
    runs_.reserve(static_cast<std::size_t>((size_ + kBlock - 1) / kBlock));
    const int64_t width = static_cast<int64_t>(WithSampleType(source.Type(), [](auto t) { return sizeof(t); }));
    const bool ok = source.Read(
        0, size_,
        [&](const uint8_t* bytes, int64_t n, int64_t) {
            if (stop != nullptr && stop->load(std::memory_order_relaxed)) return false;
            for (int64_t i = 0; i < n; i += kBlock)
                runs_.push_back(MomentsOf(source.Type(), bytes + i * width, std::min(kBlock, n - i)));
            return true;
        },
        error);
    if (!ok) {
        runs_.clear();
        return false;
    }
    groups_.reserve(runs_.size() / kFan + 1);
    for (std::size_t g = 0; g < runs_.size(); g += kFan) {
        Moments m;
        for (std::size_t r = g; r < std::min(runs_.size(), g + kFan); ++r) m.Merge(runs_[r]);
        groups_.push_back(m);
    }
    return true;
}

void MomentsSummary::MergeRuns(int64_t from, int64_t to, Moments& out) const {
    while (from < to && from % kFan != 0) out.Merge(runs_[static_cast<std::size_t>(from++)]);
    for (; from + kFan <= to; from += kFan) out.Merge(groups_[static_cast<std::size_t>(from / kFan)]);
    while (from < to) out.Merge(runs_[static_cast<std::size_t>(from++)]);
}

bool MomentsSummary::Query(SampleSource& source, int64_t first, int64_t count, Moments& out, std::string& error) const {
    out = Moments{};
    if (!source.CheckSpan(first, count, error)) return false;
    if (source.Size() != size_) {
        error = "the record changed since it was summarised";
        return false;
    }
    const int64_t end = first + count;
    // Whole runs inside the span: [r0, r1); the record's last run counts as whole when the span reaches its end.
    const int64_t r0 = (first + kBlock - 1) / kBlock;
    int64_t r1 = end / kBlock;
    if (end == size_) r1 = static_cast<int64_t>(runs_.size());
    const auto readSpan = [&](int64_t a, int64_t b) {
        return source.Read(
            a, b - a,
            [&](const uint8_t* bytes, int64_t n, int64_t) {
                out.Merge(MomentsOf(source.Type(), bytes, n));
                return true;
            },
            error);
    };
    if (r0 >= r1) return readSpan(first, end);  // within one run or two neighbours
    const int64_t wholeEnd = std::min(r1 * kBlock, size_);
    if (!readSpan(first, std::min(r0 * kBlock, end)) || !readSpan(wholeEnd, end)) return false;
    MergeRuns(r0, r1, out);
    return true;
}

}  // namespace kivelo
