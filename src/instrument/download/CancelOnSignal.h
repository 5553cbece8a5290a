#pragma once
// Turns SIGINT / SIGTERM into a cancel request for as long as the object lives:
// the signals are blocked in the constructing thread and a small thread waits
// for them and sets the flag, so no signal handler or global is involved.
// Construct it before any other thread exists, so none of them can take the
// signal with its default action.
#include <atomic>
#include <csignal>
#include <thread>

namespace kivelo {

class CancelOnSignal {
public:
    explicit CancelOnSignal(std::atomic<bool>& flag);
    ~CancelOnSignal();
    CancelOnSignal(const CancelOnSignal&) = delete;
    CancelOnSignal& operator=(const CancelOnSignal&) = delete;

private:
    void Wait();

    std::atomic<bool>& flag_;
    std::atomic<bool> stopping_{false};
    sigset_t signals_{};
    sigset_t previousMask_{};
    bool active_ = false;
    std::thread waiter_;
};

}  // namespace kivelo
