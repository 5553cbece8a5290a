#pragma once
// Coalesces redraw requests: the first request starts a 70 ms timer, later
// ones join it, and the windows are redrawn once when it runs out. A request
// does not restart a running timer, so changes that keep coming (a held key,
// a dragged edge) are still drawn at every tick. The shell feeds it the time.
#include <chrono>
#include <optional>

namespace kivelo {

class RedrawScheduler {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kDelay{70};

    // Requests are ignored until the frame and all four windows exist.
    void SetReady(bool ready) { ready_ = ready; }
    bool Ready() const { return ready_; }

    void Request(Clock::time_point now);
    bool Pending() const { return due_.has_value(); }
    // Time left until the redraw (zero when due); nothing when idle.
    std::optional<Clock::duration> Remaining(Clock::time_point now) const;
    // True once when the timer has run out: the caller redraws Main, Zoom,
    // History and XY, in that order. The timer stops.
    bool TakeDue(Clock::time_point now);
    // The timer event itself: stops the timer and says whether a redraw is owed.
    bool Fire();

private:
    bool ready_ = false;
    std::optional<Clock::time_point> due_;
};

}  // namespace kivelo
