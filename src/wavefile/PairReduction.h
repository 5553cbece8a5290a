#pragma once
// Reduction of samples to (min, max) pairs for envelope reads. A step code holds
// the input samples per output pair times 256; its low 8 bits are a fraction
// carried by an accumulator so that group sizes average out exactly.
#include <algorithm>
#include <cstdint>
#include <cstring>

namespace kivelo {

// Samples an envelope read reduces as one chunk at g input samples per pair:
// whole groups, and few enough to bound the work buffer.
inline int64_t EnvelopeChunk(int64_t g, int64_t count) {
    return std::min(g > 10000 ? g : g < 1001 ? g * 100 : g * 10, count);
}

// Samples per pair of a summary's finest level.
inline constexpr int64_t kSummaryBlockSamples = 256;

namespace detail {

// Walks the groups of n samples at this step code, calling group(x, len, flag,
// pair) for each; flag is the order flag carried from group to group. Step code
// 512 copies the samples unchanged.
template <typename T, typename Group>
[[gnu::always_inline]] inline int64_t WalkGroups(const T* in, int64_t n, int stepCode, T* out, int64_t outCapacity,
                                                 Group&& group) {
    const int g = stepCode / 256, f = stepCode % 256;
    if (g < 1 || n <= 0 || outCapacity <= 0) return 0;
    if (g == 2 && f == 0) {
        const int64_t m = std::min(n, outCapacity);
        std::memcpy(out, in, static_cast<std::size_t>(m) * sizeof(T));
        return m;
    }
    int64_t pos = 0, written = 0;
    int64_t size = std::min<int64_t>(g, n);
    int acc = 0, flag = 0;
    while (pos < n && written + 2 <= outCapacity) {
        const int64_t len = std::min(size, n - pos);
        group(in + pos, len, flag, out + written);
        written += 2;
        pos += len;
        size = g;
        if (f > 0) {
            if (acc + f > 255) ++size;
            acc = (acc + f) % 256;
        }
    }
    return written;
}

}  // namespace detail

// The rule, one sample at a time: numeric data give (min, max) or (max, min) per
// group by the order flag (1 when the last new extreme was a maximum; 0 at the
// start of every call, carried over from group to group); bit data give (AND, OR).
// Returns the number of values written; stops early when out is full. Step codes
// below 256 (less than one sample per pair) produce nothing. ReduceSamples gives
// the same values faster.
template <typename T>
int64_t ReducePairs(const T* in, int64_t n, int stepCode, bool bitData, T* out, int64_t outCapacity) {
    return detail::WalkGroups(in, n, stepCode, out, outCapacity, [&](const T* x, int64_t len, int& flag, T* pair) {
        T a = x[0], b = x[0];
        for (int64_t j = 1; j < len; ++j) {
            if (bitData) {
                a = static_cast<T>(a & x[j]);
                b = static_cast<T>(b | x[j]);
            } else if (x[j] < a) {
                a = x[j];
                flag = 0;
            } else if (x[j] > b) {
                b = x[j];
                flag = 1;
            }
        }
        const bool minFirst = bitData || flag == 1;
        pair[0] = minFirst ? a : b;
        pair[1] = minFirst ? b : a;
    });
}

// ReducePairs vectorised for the instruction set of the processor.
int64_t ReduceSamples(const int8_t* in, int64_t n, int stepCode, bool bitData, int8_t* out, int64_t outCapacity);
int64_t ReduceSamples(const uint8_t* in, int64_t n, int stepCode, bool bitData, uint8_t* out, int64_t outCapacity);
int64_t ReduceSamples(const int16_t* in, int64_t n, int stepCode, bool bitData, int16_t* out, int64_t outCapacity);
int64_t ReduceSamples(const uint16_t* in, int64_t n, int stepCode, bool bitData, uint16_t* out, int64_t outCapacity);
int64_t ReduceSamples(const int32_t* in, int64_t n, int stepCode, bool bitData, int32_t* out, int64_t outCapacity);
int64_t ReduceSamples(const uint32_t* in, int64_t n, int stepCode, bool bitData, uint32_t* out, int64_t outCapacity);

// The pair of each of `blocks` whole blocks of kSummaryBlockSamples samples, as
// ReducePairs writes one group of them, into out as a0 b0 a1 b1 ...; vectorised.
void SummaryBlockPairs(const int8_t* x, int64_t blocks, bool bits, int8_t* out);
void SummaryBlockPairs(const uint8_t* x, int64_t blocks, bool bits, uint8_t* out);
void SummaryBlockPairs(const int16_t* x, int64_t blocks, bool bits, int16_t* out);
void SummaryBlockPairs(const uint16_t* x, int64_t blocks, bool bits, uint16_t* out);
void SummaryBlockPairs(const int32_t* x, int64_t blocks, bool bits, int32_t* out);
void SummaryBlockPairs(const uint32_t* x, int64_t blocks, bool bits, uint32_t* out);

// The pair of n >= 1 samples, as ReducePairs writes one group of them, into
// out[0] and out[1]; vectorised. For the six sample types of SummaryBlockPairs.
template <typename T>
void SummaryRangePair(const T* x, int64_t n, bool bits, T* out);

// Ranges of samples joined through their pairs: a range's minimum and maximum (AND
// and OR for bit data) and whether the minimum's first occurrence comes before the
// maximum's, which orders its pair.
template <typename T>
struct PairExtent {
    T mn, mx;
    bool minFirst;
};
template <typename T>
[[gnu::always_inline]] inline PairExtent<T> PairExtentOf(T a, T b, bool bits) {
    if (bits) return {a, b, true};
    return {std::min(a, b), std::max(a, b), a <= b};
}
// The extent of x followed by a range with the pair (a, b). Written with selects
// rather than branches: which side holds an extreme follows the data and would be
// mispredicted.
template <typename T>
[[gnu::always_inline]] inline void AppendPair(PairExtent<T>& x, T a, T b, bool bits) {
    if (bits) {
        x.mn = static_cast<T>(x.mn & a);
        x.mx = static_cast<T>(x.mx | b);
        return;
    }
    const T mn = std::min(a, b), mx = std::max(a, b);
    // Ties stay with the earlier range: a value's first occurrence is what counts.
    const bool newMin = mn<x.mn, newMax = mx> x.mx;
    x.minFirst = newMin ? newMax && a <= b : newMax || x.minFirst;
    x.mn = newMin ? mn : x.mn;
    x.mx = newMax ? mx : x.mx;
}

// Pairs of the finest summary level per pair of the next.
inline constexpr int64_t kSummaryFan = 8;

// The pair of each of `groups` runs of kSummaryFan block pairs (as SummaryBlockPairs
// writes them), the pair ReducePairs writes for their blocks' samples as one
// group, into out as a0 b0 a1 b1 ...; vectorised.
// For the six sample types of SummaryBlockPairs.
template <typename T>
void SummarySecondLevel(const T* below, int64_t groups, bool bits, T* out);

// Name of the instruction set the vectorised reductions run on here.
const char* PairReductionTarget();

}  // namespace kivelo
