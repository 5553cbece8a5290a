#pragma once
// What a running download has done, reported by the transfer's thread and
// read by the thread that shows it: the fraction done and a text with the
// trace and record being fetched, the bytes so far and the time left.
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

namespace kivelo {

class DownloadProgress {
public:
    using Clock = std::chrono::steady_clock;

    // The transfer has stored `done` of `total` bytes of traceCount traces of
    // recordCount records (0 or 1: one block per trace) of `points` points each.
    // The first call starts the clock of the time-left estimate.
    void Update(int64_t done, int64_t total, int traceCount, int recordCount, int64_t points,
                Clock::time_point now = Clock::now());

    // 0..1; negative while nothing is known yet.
    double Fraction() const;
    // Empty before the first Update, else e.g.
    // "Trace 2 of 4, record 3 of 50\n1.2 MB of 4.0 MB, about 12 s left".
    std::string Text(Clock::time_point now = Clock::now()) const;

private:
    mutable std::mutex mutex_;
    bool started_ = false;
    Clock::time_point start_{};
    int64_t done_ = 0;
    int64_t total_ = 0;
    int traceCount_ = 0;
    int recordCount_ = 0;
    int64_t points_ = 0;
};

// 512 -> "512 bytes", 20000 -> "20 kB", 1234567 -> "1.2 MB" (powers of 1000).
std::string ByteCountText(int64_t bytes);

}  // namespace kivelo
