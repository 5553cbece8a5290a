#include "wavefile/PairReduction.h"

#include "wavefile/VectorClones.h"

namespace kivelo {

#define KIVELO_REDUCE_SAMPLES(T)                                                                           \
    KIVELO_VECTOR_CLONES int64_t ReduceSamples(const T* in, int64_t n, int stepCode, bool bitData, T* out, \
                                               int64_t outCapacity) {                                      \
        return ReducePairs(in, n, stepCode, bitData, out, outCapacity);                                    \
    }

KIVELO_REDUCE_SAMPLES(int8_t)
KIVELO_REDUCE_SAMPLES(uint8_t)
KIVELO_REDUCE_SAMPLES(int16_t)
KIVELO_REDUCE_SAMPLES(uint16_t)
KIVELO_REDUCE_SAMPLES(int32_t)
KIVELO_REDUCE_SAMPLES(uint32_t)

}  // namespace kivelo
