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

namespace detail {

// Order flag carried from group to group: 1 when the last new extreme was a maximum.
struct PairOrder {
    int flag = 0;
};

// 32-byte vectors of the sample type; the compiler splits them where the target
// has narrower registers.
template <typename T>
using Vec [[gnu::vector_size(32)]] = T;

template <typename T>
constexpr int64_t kLanes = 32 / static_cast<int64_t>(sizeof(T));

// Samples per block of the min/max scan: 1 KB, which measured fastest (the
// inner loop unrolls whole) and keeps the rescan for the order flag short.
template <typename T>
constexpr int64_t kBlock = 1024 / static_cast<int64_t>(sizeof(T));

// The vector of samples at p, which may have any alignment: a copy, which
// compiles to one unaligned load (an over-aligned reference would let a
// compiler emit an aligned load that faults).
template <typename T>
[[gnu::always_inline]] inline Vec<T> VecAt(const T* p) {
    Vec<T> v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename Mask>
[[gnu::always_inline]] inline bool AnyLane(const Mask& m) {
    uint64_t words[4];
    static_assert(sizeof m == sizeof words);
    std::memcpy(words, &m, sizeof words);
    return (words[0] | words[1] | words[2] | words[3]) != 0;
}

// Written as full loops over the lanes so that the compiler folds them as trees.
template <typename T>
[[gnu::always_inline]] inline T LaneMin(const Vec<T>& v) {
    T a = v[0];
    for (int64_t k = 0; k < kLanes<T>; ++k) a = v[k] < a ? v[k] : a;
    return a;
}

template <typename T>
[[gnu::always_inline]] inline T LaneMax(const Vec<T>& v) {
    T a = v[0];
    for (int64_t k = 0; k < kLanes<T>; ++k) a = v[k] > a ? v[k] : a;
    return a;
}

// First index in [from, to) holding value (to when none).
template <typename T>
int64_t FirstIndexOf(const T* x, int64_t from, int64_t to, T value) {
    for (int64_t i = from; i < to; ++i)
        if (x[i] == value) return i;
    return to;
}

// Minimum and maximum of one group, starting from its first sample; the order flag
// follows the later of the last new minimum and the last new maximum. The scan
// runs over aligned 1 KB blocks with independent vector accumulators and only
// folds a block's lanes when it holds a new extreme; the order is told by the
// blocks' starts, and only a block holding both last new extremes is searched.
template <typename T>
[[gnu::always_inline]] inline void MinMaxGroup(const T* x, int64_t len, PairOrder& order, T& first, T& second) {
    constexpr int64_t L = kLanes<T>, B = kBlock<T>;
    T mn = x[0], mx = x[0];
    int64_t minAt = -1, maxAt = -1;  // start of the span holding the last new extreme
    auto scalarSpan = [&](int64_t from, int64_t to) {
        if (from >= to) return;
        T a = x[from], b = x[from];
        for (int64_t j = from + 1; j < to; ++j) {
            a = x[j] < a ? x[j] : a;
            b = x[j] > b ? x[j] : b;
        }
        if (a < mn) mn = a, minAt = from;
        if (b > mx) mx = b, maxAt = from;
    };
    // Loads that straddle cache lines cost half again as much: start the blocks aligned.
    const auto misalign = static_cast<int64_t>(reinterpret_cast<uintptr_t>(x) % 32);
    int64_t i = std::min<int64_t>(len, misalign ? (32 - misalign) / static_cast<int64_t>(sizeof(T)) : 0);
    scalarSpan(0, i);
    for (; i + B <= len; i += B) {
        const T* p = static_cast<const T*>(__builtin_assume_aligned(x + i, 32));
        Vec<T> lo0 = VecAt(p), lo1 = VecAt(p + L), lo2 = VecAt(p + 2 * L), lo3 = VecAt(p + 3 * L);
        Vec<T> hi0 = lo0, hi1 = lo1, hi2 = lo2, hi3 = lo3;
        for (int64_t j = 4 * L; j < B; j += 4 * L) {
            const Vec<T> v0 = VecAt(p + j), v1 = VecAt(p + j + L);
            const Vec<T> v2 = VecAt(p + j + 2 * L), v3 = VecAt(p + j + 3 * L);
            lo0 = v0 < lo0 ? v0 : lo0;
            hi0 = v0 > hi0 ? v0 : hi0;
            lo1 = v1 < lo1 ? v1 : lo1;
            hi1 = v1 > hi1 ? v1 : hi1;
            lo2 = v2 < lo2 ? v2 : lo2;
            hi2 = v2 > hi2 ? v2 : hi2;
            lo3 = v3 < lo3 ? v3 : lo3;
            hi3 = v3 > hi3 ? v3 : hi3;
        }
        lo0 = lo1 < lo0 ? lo1 : lo0;
        lo2 = lo3 < lo2 ? lo3 : lo2;
        lo0 = lo2 < lo0 ? lo2 : lo0;
        hi0 = hi1 > hi0 ? hi1 : hi0;
        hi2 = hi3 > hi2 ? hi3 : hi2;
        hi0 = hi2 > hi0 ? hi2 : hi0;
        if (AnyLane(lo0 < mn)) mn = LaneMin<T>(lo0), minAt = i;
        if (AnyLane(hi0 > mx)) mx = LaneMax<T>(hi0), maxAt = i;
    }
    scalarSpan(i, len);
    if (minAt >= 0 || maxAt >= 0) {
        if (minAt < 0) order.flag = 1;
        else if (maxAt < 0) order.flag = 0;
        else if (minAt != maxAt) order.flag = maxAt > minAt ? 1 : 0;
        // Both first reached in one span: each value's first occurrence from there is in it.
        else order.flag = FirstIndexOf(x, maxAt, len, mx) > FirstIndexOf(x, minAt, len, mn);
    }
    if (order.flag) first = mn, second = mx;
    else first = mx, second = mn;
}

template <typename T>
[[gnu::always_inline]] inline void AndOrGroup(const T* x, int64_t len, T& first, T& second) {
    T a = x[0], o = x[0];
    for (int64_t j = 1; j < len; ++j) {
        a = static_cast<T>(a & x[j]);
        o = static_cast<T>(o | x[j]);
    }
    first = a;
    second = o;
}

}  // namespace detail

// Reduces n samples with the given step code into out (room for outCapacity values).
// Numeric data give (min, max) or (max, min) per group by the carried order flag;
// bit data give (AND, OR). The order flag starts at 0 in every call and carries
// over from group to group. Step code 512 copies the samples unchanged. Returns the
// number of values written; stops early when out is full. Step codes below 256
// (less than one sample per pair) produce nothing.
template <typename T>
[[gnu::always_inline]] inline int64_t ReducePairs(const T* in, int64_t n, int stepCode, bool bitData, T* out,
                                                  int64_t outCapacity) {
    const int g = stepCode / 256, f = stepCode % 256;
    if (g < 1 || n <= 0 || outCapacity <= 0) return 0;
    if (g == 2 && f == 0) {
        int64_t m = std::min(n, outCapacity);
        std::memcpy(out, in, static_cast<std::size_t>(m) * sizeof(T));
        return m;
    }
    int64_t pos = 0, written = 0;
    int64_t size = std::min<int64_t>(g, n);
    int acc = 0;
    detail::PairOrder order;
    while (pos < n && written + 2 <= outCapacity) {
        int64_t len = std::min(size, n - pos);
        if (bitData) detail::AndOrGroup(in + pos, len, out[written], out[written + 1]);
        else detail::MinMaxGroup(in + pos, len, order, out[written], out[written + 1]);
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

}  // namespace kivelo

namespace kivelo {

// ReducePairs for the sample types of the readers, built once per instruction
// set where the platform allows it (wider vectors shorten the scan).
int64_t ReduceSamples(const int8_t* in, int64_t n, int stepCode, bool bitData, int8_t* out, int64_t outCapacity);
int64_t ReduceSamples(const uint8_t* in, int64_t n, int stepCode, bool bitData, uint8_t* out, int64_t outCapacity);
int64_t ReduceSamples(const int16_t* in, int64_t n, int stepCode, bool bitData, int16_t* out, int64_t outCapacity);
int64_t ReduceSamples(const uint16_t* in, int64_t n, int stepCode, bool bitData, uint16_t* out, int64_t outCapacity);
int64_t ReduceSamples(const int32_t* in, int64_t n, int stepCode, bool bitData, int32_t* out, int64_t outCapacity);
int64_t ReduceSamples(const uint32_t* in, int64_t n, int stepCode, bool bitData, uint32_t* out, int64_t outCapacity);

}  // namespace kivelo
