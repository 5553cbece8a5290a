#pragma once
// Display points of recently drawn records kept between redraws, so the
// History window reads each thumbnail's points from the file only once.
#include <cstdint>
#include <vector>

#include "display/DisplayTrace.h"

namespace kivelo {

class PointCache {
public:
    // Room for `records` records of every trace; a record shares its place
    // with the records `records` apart, so any run of that many consecutive
    // records fits. Changing the room forgets everything.
    void Resize(int records);
    // Gives `trace` the points kept for trace `index` under this key; false
    // when none are kept.
    bool Fetch(int index, const LoadKey& key, DisplayTrace& trace) const;
    void Keep(int index, const LoadKey& key, const DisplayTrace& trace);
    void Clear();

private:
    struct Entry {
        LoadKey key;
        std::vector<int16_t> samples;  // the trace's pointCount points
    };
    // Place of trace `index` of `record` in entries_; entries_.size() when it has none.
    size_t Slot(int record, int index) const;

    int records_ = 0;
    std::vector<Entry> entries_;  // records_ x kTraceCount
};

}  // namespace kivelo
