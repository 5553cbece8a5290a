#pragma once
// Reduction of a trace's display points to one min/max pair per column.
#include <cstdint>
#include <span>
#include <vector>

namespace kivelo {

struct EnvelopePair {
    int32_t lo = 0;  // first value for logic traces
    int32_t hi = 0;  // second value for logic traces
};

// Points stretched so that `spanIntervals` of their intervals give `minCount`
// values (linear interpolation, or sample and hold when `hold`); the last point
// is emitted at the end. spanIntervals is cut to 1 .. P - 1 (0: all P - 1).
// Needs at least 3 points; fewer give the points unchanged.
std::vector<int32_t> StretchPoints(std::span<const int16_t> points, int minCount, bool hold, int spanIntervals = 0);

// At most `pairCount` pairs. Analogue pairs are ordered (min, max) and each is
// joined to the one before so neighbouring columns touch; logic pairs keep
// their values as they are, since joining would invent bit patterns.
// spanIntervals: how many point intervals the pairs cover (0: all of them).
std::vector<EnvelopePair> BuildEnvelope(std::span<const int16_t> points, int pairCount, bool logic,
                                        int spanIntervals = 0);

}  // namespace kivelo
