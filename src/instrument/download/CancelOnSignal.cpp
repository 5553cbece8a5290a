#include "instrument/download/CancelOnSignal.h"

#include <pthread.h>

namespace kivelo {

CancelOnSignal::CancelOnSignal(std::atomic<bool>& flag) : flag_(flag) {
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    if (pthread_sigmask(SIG_BLOCK, &signals_, &previousMask_) != 0) return;
    active_ = true;
    waiter_ = std::thread([this] { Wait(); });
}

CancelOnSignal::~CancelOnSignal() {
    if (!active_) return;
    stopping_ = true;
    // Wake the waiter with one of its own signals; it sees stopping_ and leaves.
    pthread_kill(waiter_.native_handle(), SIGINT);
    waiter_.join();
    pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
}

void CancelOnSignal::Wait() {
    for (;;) {
        int signal = 0;
        if (sigwait(&signals_, &signal) != 0 || stopping_) return;
        flag_ = true;
    }
}

}  // namespace kivelo
