#pragma once
// Lets another thread follow a CSV write and stop it: the writer counts the
// rows it has written and ends with a failure at its next check once cancel
// is set (nothing is left behind then, as for any failed write).
#include <atomic>
#include <cstdint>

namespace kivelo {

struct CsvProgress {
    std::atomic<int64_t> rows{0};
    std::atomic<bool> cancel{false};

    bool Cancelled() const { return cancel.load(std::memory_order_relaxed); }
};

}  // namespace kivelo
