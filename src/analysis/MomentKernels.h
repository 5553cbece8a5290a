#pragma once
// The moments of runs of stored samples, vectorised with Highway for the
// instruction set of the processor (chosen at the first call).
#include <cstdint>

#include "analysis/Moments.h"

namespace kivelo {

// One Moments per run of `run` samples of the n stored samples at bytes (the
// last run may be shorter) into out[0 .. ceil(n / run)). Integer sums are exact;
// float runs sum in order, one sample after another, as MomentsOf does.
void RunMoments(SampleType type, const uint8_t* bytes, int64_t n, int64_t run, Moments* out);

// The moments of n stored integer samples (type not Float32) at bytes.
Moments IntegerSpanMoments(SampleType type, const uint8_t* bytes, int64_t n);

// Name of the instruction set the moments run on here.
const char* MomentsTarget();

}  // namespace kivelo
