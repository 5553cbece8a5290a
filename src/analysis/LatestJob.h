#pragma once
// One worker thread that runs the latest job asked of it: a new job replaces one
// still waiting and asks the running one to stop (its stop flag is raised), so a
// window that follows a scrolling record computes only for where it is now.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace kivelo {

class LatestJob {
public:
    using Job = std::function<void(const std::atomic<bool>& stop)>;

    LatestJob();
    // Stops the running job, drops a waiting one and joins the thread.
    ~LatestJob();
    LatestJob(const LatestJob&) = delete;
    LatestJob& operator=(const LatestJob&) = delete;

    void Submit(Job job);
    // A job is running or waiting.
    bool Busy() const;
    // Raised only when the worker goes away: work worth finishing for any later
    // job (a record's summary) stops on this flag rather than on the job's own.
    const std::atomic<bool>& Quitting() const { return quitting_; }

private:
    void Loop();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    Job pending_;
    bool running_ = false;
    bool quit_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<bool> quitting_{false};
    std::thread thread_;
};

}  // namespace kivelo
