#include "analysis/LatestJob.h"

namespace kivelo {

LatestJob::LatestJob() : thread_([this] { Loop(); }) {}

LatestJob::~LatestJob() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        pending_ = nullptr;
        stop_ = true;
        quitting_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void LatestJob::Submit(Job job) {
    {
        std::lock_guard lock(mutex_);
        pending_ = std::move(job);
        stop_ = true;
    }
    wake_.notify_all();
}

bool LatestJob::Busy() const {
    std::lock_guard lock(mutex_);
    return running_ || pending_ != nullptr;
}

void LatestJob::Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || pending_ != nullptr; });
        if (quit_) return;
        Job job = std::move(pending_);
        pending_ = nullptr;
        stop_ = false;
        running_ = true;
        lock.unlock();
        job(stop_);
        lock.lock();
        running_ = false;
    }
}

}  // namespace kivelo
