#pragma once
// Edges of a signal found from level crossings, fed its physical values in order.
// Levels come from the span's extremes: mid = (min + max) / 2 with a hysteresis
// of 5 % of pp either side; 10 % and 90 % of pp above min for rise and fall. A
// rising edge is a pass from below mid - h to above mid + h, timed where the
// signal last crossed mid on the way (linear interpolation); falling likewise.
#include <cstdint>
#include <optional>
#include <span>

namespace kivelo {

struct CrossingResult {
    std::optional<double> frequency, period, duty, rise, fall;  // seconds, hertz, fraction
};

class CrossingMeter {
public:
    // pp must be above 0.
    CrossingMeter(double min, double max);

    // The values of samples index, index + 1, ... (non-finite ones are skipped).
    void Feed(std::span<const double> values, int64_t index);
    // The measures with `interval` seconds per sample; empty where undefined.
    CrossingResult Result(double interval) const;

private:
    // The sample at index i with value x follows the last one kept.
    void Step(int64_t i, double x, int zone);
    // 0 below 10 %, 1 below mid - h, 2 below mid, 3 up to mid + h, 4 below 90 %, 5 from 90 % on.
    int ZoneOf(double x) const { return (x >= l10_) + (x >= lowBand_) + (x >= mid_) + (x > highBand_) + (x >= l90_); }
    // Where the line from the previous sample to (i, x) passes level.
    double Cross(int64_t i, double x, double level) const;

    double l10_, lowBand_, mid_, highBand_, l90_;
    bool havePrev_ = false;
    int64_t prevIndex_ = 0;
    double prevValue_ = 0.0;
    int prevZone_ = 0;

    enum class Side { Unknown, Low, High } side_ = Side::Unknown;
    double lastMidUp_ = 0.0, lastMidDown_ = 0.0;
    // Rising edges: how many, the first and the last; the falling edge since the last.
    int64_t rising_ = 0;
    double firstRise_ = 0.0, lastRise_ = 0.0;
    bool fallSinceRise_ = false;
    double fallAfterRise_ = 0.0;
    double dutySum_ = 0.0;
    int64_t dutyCount_ = 0;
    // 10 % -> 90 % passes (armed below 10 %) and 90 % -> 10 % passes (armed above 90 %).
    bool riseArmed_ = false, riseStarted_ = false, fallArmed_ = false, fallStarted_ = false;
    double riseStart_ = 0.0, fallStart_ = 0.0;
    double riseSum_ = 0.0, fallSum_ = 0.0;
    int64_t rises_ = 0, falls_ = 0;
};

}  // namespace kivelo
