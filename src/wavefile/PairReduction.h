#pragma once
// Reduction of samples to (min, max) pairs for envelope reads. A step code holds
// the input samples per output pair times 256; its low 8 bits are a fraction
// carried by an accumulator so that group sizes average out exactly.
#include <algorithm>
#include <cstdint>
#include <cstring>

namespace kivelo {

namespace detail {

// Order flag carried from group to group: 1 when the last new extreme was a maximum.
struct PairOrder {
    int flag = 0;
};

constexpr int64_t kReduceBlock = 512;

// First index in [from, to) holding value (to when none).
template <typename T>
int64_t FirstIndexOf(const T* x, int64_t from, int64_t to, T value) {
    for (int64_t i = from; i < to; ++i)
        if (x[i] == value) return i;
    return to;
}

// Minimum and maximum of one group, starting from its first sample; the order flag
// follows the later of the last new minimum and the last new maximum. Works in
// fixed-size blocks so that the inner loops vectorise.
// Minimum and maximum of x[0 .. kReduceBlock), a fixed trip count so that the
// loop vectorises.
template <typename T>
[[gnu::always_inline]] inline void BlockMinMax(const T* x, T& mn, T& mx) {
    T a = x[0], b = x[0];
    for (int64_t j = 0; j < kReduceBlock; ++j) {
        a = x[j] < a ? x[j] : a;
        b = x[j] > b ? x[j] : b;
    }
    mn = a;
    mx = b;
}

// Minimum and maximum of one group, starting from its first sample; the order flag
// follows the later of the last new minimum and the last new maximum. Works in
// fixed-size blocks and only looks at positions inside the one block where the
// order cannot be told from block indexes.
template <typename T>
[[gnu::always_inline]] inline void MinMaxGroup(const T* x, int64_t len, PairOrder& order, T& first, T& second) {
    T mn = x[0], mx = x[0];
    int64_t minBlock = -1, maxBlock = -1;  // start of the block of the last new extreme
    int64_t i = 1;
    auto note = [&](int64_t start, T bmn, T bmx) {
        if (bmn < mn) mn = bmn, minBlock = start;
        if (bmx > mx) mx = bmx, maxBlock = start;
    };
    for (; i + kReduceBlock <= len; i += kReduceBlock) {
        T bmn, bmx;
        BlockMinMax(x + i, bmn, bmx);
        note(i, bmn, bmx);
    }
    if (i < len) {
        T bmn = x[i], bmx = x[i];
        for (int64_t j = i + 1; j < len; ++j) {
            bmn = x[j] < bmn ? x[j] : bmn;
            bmx = x[j] > bmx ? x[j] : bmx;
        }
        note(i, bmn, bmx);
    }
    if (minBlock >= 0 || maxBlock >= 0) {
        if (minBlock < 0) order.flag = 1;
        else if (maxBlock < 0) order.flag = 0;
        else if (minBlock != maxBlock) order.flag = maxBlock > minBlock ? 1 : 0;
        else {
            // Both extremes were first reached in the same block: whichever came later.
            int64_t end = std::min(minBlock + kReduceBlock, len);
            order.flag = FirstIndexOf(x, maxBlock, end, mx) > FirstIndexOf(x, minBlock, end, mn);
        }
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
int64_t ReduceSamples(const int16_t* in, int64_t n, int stepCode, bool bitData, int16_t* out, int64_t outCapacity);
int64_t ReduceSamples(const uint16_t* in, int64_t n, int stepCode, bool bitData, uint16_t* out, int64_t outCapacity);
int64_t ReduceSamples(const int32_t* in, int64_t n, int stepCode, bool bitData, int32_t* out, int64_t outCapacity);

}  // namespace kivelo
