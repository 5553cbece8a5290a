#include "instrument/download/DownloadProgress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kivelo {

void DownloadProgress::Update(int64_t done, int64_t total, int traceCount, int recordCount, int64_t points,
                              Clock::time_point now) {
    std::lock_guard lock(mutex_);
    if (!started_) {
        started_ = true;
        start_ = now;
    }
    done_ = std::max<int64_t>(done, 0);
    total_ = std::max<int64_t>(total, 0);
    traceCount_ = std::max(traceCount, 0);
    recordCount_ = std::max(recordCount, 1);
    points_ = std::max<int64_t>(points, 0);
}

double DownloadProgress::Fraction() const {
    std::lock_guard lock(mutex_);
    if (!started_ || total_ <= 0) return -1.0;
    return std::min(1.0, static_cast<double>(done_) / static_cast<double>(total_));
}

std::string DownloadProgress::Text(Clock::time_point now) const {
    std::lock_guard lock(mutex_);
    if (!started_) return {};
    std::string text;
    const int64_t blockBytes = points_ * 2;
    if (traceCount_ > 0 && blockBytes > 0) {
        const int64_t blocks = static_cast<int64_t>(traceCount_) * recordCount_;
        const int64_t block = std::min(done_ / blockBytes, blocks - 1);
        text = "Trace " + std::to_string(block / recordCount_ + 1) + " of " + std::to_string(traceCount_);
        if (recordCount_ > 1)
            text += ", record " + std::to_string(block % recordCount_ + 1) + " of " + std::to_string(recordCount_);
        text += '\n';
    }
    text += ByteCountText(done_) + " of " + ByteCountText(total_);
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    // Below a second or a few bytes the rate says nothing yet.
    if (elapsed >= 1.0 && done_ > 0 && done_ < total_) {
        const double left = elapsed * static_cast<double>(total_ - done_) / static_cast<double>(done_);
        if (left < 60) text += ", about " + std::to_string(static_cast<int64_t>(std::ceil(left))) + " s left";
        else if (left < 1e7)
            text += ", about " + std::to_string(static_cast<int64_t>(std::ceil(left / 60))) + " min left";
    }
    return text;
}

std::string ByteCountText(int64_t bytes) {
    if (bytes < 1000) return std::to_string(std::max<int64_t>(bytes, 0)) + " bytes";
    if (bytes < 1000000) return std::to_string(bytes / 1000) + " kB";
    char text[32];
    if (bytes < 1000000000) std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    else std::snprintf(text, sizeof text, "%.2f GB", static_cast<double>(bytes) / 1e9);
    return text;
}

}  // namespace kivelo
