#include "display/RedrawScheduler.h"

namespace kivelo {

void RedrawScheduler::Request(Clock::time_point now) {
    if (ready_ && !due_) due_ = now + kDelay;
}

std::optional<RedrawScheduler::Clock::duration> RedrawScheduler::Remaining(Clock::time_point now) const {
    if (!due_) return std::nullopt;
    return *due_ > now ? *due_ - now : Clock::duration::zero();
}

bool RedrawScheduler::TakeDue(Clock::time_point now) {
    if (!due_ || now < *due_) return false;
    due_.reset();
    return true;
}

bool RedrawScheduler::Fire() {
    const bool owed = due_.has_value();
    due_.reset();
    return owed;
}

}  // namespace kivelo
