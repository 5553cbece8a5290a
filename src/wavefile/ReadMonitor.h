#pragma once
// Lets another thread follow and stop the reads of a waveform file: the
// reader adds every byte it reads and fails its next read once cancel is set.
#include <atomic>
#include <cstdint>

namespace kivelo {

struct ReadMonitor {
    std::atomic<int64_t> bytesRead{0};
    std::atomic<bool> cancel{false};

    bool Cancelled() const { return cancel.load(std::memory_order_relaxed); }
    void Reset() {
        bytesRead.store(0, std::memory_order_relaxed);
        cancel.store(false, std::memory_order_relaxed);
    }
};

}  // namespace kivelo
