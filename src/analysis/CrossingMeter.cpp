#include "analysis/CrossingMeter.h"

#include <algorithm>
#include <cmath>

namespace kivelo {

CrossingMeter::CrossingMeter(double min, double max) {
    const double pp = max - min;
    mid_ = min / 2 + max / 2;
    lowBand_ = mid_ - 0.05 * pp;
    highBand_ = mid_ + 0.05 * pp;
    l10_ = min + 0.1 * pp;
    l90_ = min + 0.9 * pp;
}

double CrossingMeter::Cross(int64_t i, double x, double level) const {
    const double span = static_cast<double>(i - prevIndex_);
    return static_cast<double>(prevIndex_) + span * (level - prevValue_) / (x - prevValue_);
}

void CrossingMeter::Feed(std::span<const double> values, int64_t index) {
    constexpr std::size_t kRun = 16;
    const double* v = values.data();
    const std::size_t n = values.size();
    for (std::size_t k = 0; k < n;) {
        if (havePrev_ && k + kRun <= n) {
            // Most runs stay in one zone: their extremes tell, and no crossing can lie inside.
            double lo = v[k], hi = v[k], nonFinite = 0.0;
            for (std::size_t j = 0; j < kRun; ++j) {
                const double x = v[k + j];
                lo = x < lo ? x : lo;
                hi = x > hi ? x : hi;
                nonFinite += x * 0.0;  // NaN when any value is not finite
            }
            if (nonFinite == 0.0 && ZoneOf(lo) == prevZone_ && ZoneOf(hi) == prevZone_) {
                prevIndex_ = index + static_cast<int64_t>(k + kRun - 1);
                prevValue_ = v[k + kRun - 1];
                k += kRun;
                continue;
            }
        }
        const std::size_t end = std::min(n, k + kRun);
        for (; k < end; ++k) {
            const double x = v[k];
            if (!std::isfinite(x)) continue;
            const int zone = ZoneOf(x);
            if (zone != prevZone_ || !havePrev_) Step(index + static_cast<int64_t>(k), x, zone);
            prevIndex_ = index + static_cast<int64_t>(k);
            prevValue_ = x;
        }
    }
}

void CrossingMeter::Step(int64_t i, double x, int zone) {
    if (!havePrev_) {
        havePrev_ = true;
        prevZone_ = zone;
        side_ = zone <= 1 ? Side::Low : zone >= 4 ? Side::High : Side::Unknown;
        riseArmed_ = zone == 0;
        fallArmed_ = zone == 5;
        return;
    }
    const int from = prevZone_;
    prevZone_ = zone;
    if (zone > from) {
        if (from < 1 && zone >= 1 && riseArmed_) {
            riseStart_ = Cross(i, x, l10_);
            riseStarted_ = true;
        }
        if (from < 3 && zone >= 3) lastMidUp_ = Cross(i, x, mid_);
        if (from < 5 && zone >= 5 && riseArmed_ && riseStarted_) {
            riseSum_ += Cross(i, x, l90_) - riseStart_;
            ++rises_;
            riseArmed_ = riseStarted_ = false;
        }
    } else {
        if (from >= 5 && zone < 5 && fallArmed_) {
            fallStart_ = Cross(i, x, l90_);
            fallStarted_ = true;
        }
        if (from >= 3 && zone < 3) lastMidDown_ = Cross(i, x, mid_);
        if (from >= 1 && zone < 1 && fallArmed_ && fallStarted_) {
            fallSum_ += Cross(i, x, l10_) - fallStart_;
            ++falls_;
            fallArmed_ = fallStarted_ = false;
        }
    }
    if (zone == 0) {
        riseArmed_ = true;
        riseStarted_ = false;
    }
    if (zone == 5) {
        fallArmed_ = true;
        fallStarted_ = false;
    }
    if (zone >= 4 && side_ != Side::High) {
        if (side_ == Side::Low) {
            if (rising_ > 0 && fallSinceRise_) {
                dutySum_ += (fallAfterRise_ - lastRise_) / (lastMidUp_ - lastRise_);
                ++dutyCount_;
            }
            if (rising_ == 0) firstRise_ = lastMidUp_;
            lastRise_ = lastMidUp_;
            ++rising_;
            fallSinceRise_ = false;
        }
        side_ = Side::High;
    } else if (zone <= 1 && side_ != Side::Low) {
        if (side_ == Side::High && rising_ > 0) {
            fallAfterRise_ = lastMidDown_;
            fallSinceRise_ = true;
        }
        side_ = Side::Low;
    }
}

CrossingResult CrossingMeter::Result(double interval) const {
    CrossingResult r;
    if (!(interval > 0.0) || !std::isfinite(interval)) return r;
    if (rising_ >= 2) {
        const double period = (lastRise_ - firstRise_) / static_cast<double>(rising_ - 1) * interval;
        if (period > 0.0) {
            r.period = period;
            r.frequency = 1.0 / period;
        }
        if (dutyCount_ > 0) r.duty = dutySum_ / static_cast<double>(dutyCount_);
    }
    if (rises_ > 0) r.rise = riseSum_ / static_cast<double>(rises_) * interval;
    if (falls_ > 0) r.fall = fallSum_ / static_cast<double>(falls_) * interval;
    return r;
}

}  // namespace kivelo
