#pragma once
// Count, extremes, sum and sum of squares of a run of stored samples: what min,
// max, mean, rms and acrms of any span are made of. Integer samples sum exactly
// (128-bit); float samples sum in double-double. Samples that are not finite
// numbers are counted apart and left out of everything else.
#include <cstdint>
#include <limits>
#include <optional>
#include <span>

#include "analysis/SampleSource.h"

namespace kivelo {

// An unevaluated sum hi + lo of doubles (about 106 bits).
struct DoubleDouble {
    double hi = 0.0, lo = 0.0;
    void Add(double x);
    void Add(const DoubleDouble& x);
    double Value() const { return hi + lo; }
};

struct Moments {
    int64_t count = 0;  // finite samples
    int64_t nan = 0;    // samples left out
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();
    __int128 sum = 0, sumSq = 0;  // integer samples
    DoubleDouble fsum, fsumSq;    // float samples

    void Merge(const Moments& other);
};

// The moments of n stored samples of the given type.
Moments MomentsOf(SampleType type, const uint8_t* bytes, int64_t n);

// n stored samples of a type to physical values (stored x gain + offset).
void ToPhysical(SampleType type, const uint8_t* bytes, int64_t n, double gain, double offset, double* out);

// Physical statistics of the moments of samples stored as `type`, with
// physical = stored x gain + offset; each is empty when there are no samples.
struct MomentStatistics {
    std::optional<double> min, max, pp, mean, rms, acrms;
};
MomentStatistics StatisticsOf(const Moments& m, bool isFloat, double gain, double offset);

}  // namespace kivelo
