// Built with Highway once per instruction set of the platform; the best one the
// processor runs is chosen at the first call.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "analysis/MomentKernels.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>

#include "analysis/MomentKernels.h"

#ifndef KIVELO_MOMENT_KERNELS_ONCE
#define KIVELO_MOMENT_KERNELS_ONCE
namespace kivelo::moments {

// Lanes fold into the 128-bit totals after at most this many samples, so that
// no lane's sum can overflow (2^12 x 2^31 for the squares of 16-bit pairs).
inline constexpr int64_t kChunk = 4096;

// Exact totals of integer samples, the unsigned ones offset by -2^(bits-1) so
// that they take the signed kernels.
struct IntTotals {
    int64_t lo = INT64_MAX, hi = INT64_MIN;
    __int128 sum = 0, sumSq = 0;
};

// Undoes the offset of unsigned samples (x = stored - bias) and fills m.
inline Moments ToMoments(const IntTotals& t, int64_t n, int64_t bias) {
    Moments m;
    m.count = n;
    if (n == 0) return m;
    const __int128 b = bias;
    m.sum = t.sum + b * n;
    m.sumSq = t.sumSq + 2 * b * t.sum + b * b * n;
    m.min = static_cast<double>(t.lo + bias);
    m.max = static_cast<double>(t.hi + bias);
    return m;
}

// One sample after another: the tails of the vector loops, and every sample
// where vectors have a single lane. S is the signed type of the samples' width.
template <typename S>
inline void ScalarChunk(const uint8_t* bytes, int64_t n, bool offset, IntTotals& t) {
    using U = std::make_unsigned_t<S>;
    for (int64_t i = 0; i < n; ++i) {
        U u;
        std::memcpy(&u, bytes + i * sizeof(S), sizeof u);
        if (offset) u = static_cast<U>(u ^ (U{1} << (8 * sizeof(S) - 1)));
        const int64_t v = static_cast<S>(u);
        t.lo = std::min(t.lo, v);
        t.hi = std::max(t.hi, v);
        t.sum += v;
        t.sumSq += static_cast<__int128>(v * v);
    }
}

}  // namespace kivelo::moments
#endif

HWY_BEFORE_NAMESPACE();
namespace kivelo {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using moments::IntTotals;
using moments::kChunk;
using moments::ScalarChunk;

#if HWY_TARGET != HWY_SCALAR

// Adds the lanes of squares held in u32 lanes (each below 2^32) to 64-bit lanes.
template <class DU64, class V32>
HWY_INLINE hn::Vec<DU64> AddHalves(DU64 du64, V32 v, hn::Vec<DU64> acc) {
    const auto w = hn::BitCast(du64, v);
    return hn::Add(acc, hn::Add(hn::And(w, hn::Set(du64, 0xFFFFFFFFu)), hn::ShiftRight<32>(w)));
}

// 8- and 16-bit samples (8-bit ones widened to 16): sums of pairs in 32-bit
// lanes by multiply-add. A pair of squares reaches 2^31 (two -32768s), which
// wraps a signed lane but is exact read as unsigned.
template <typename T, bool kOffset>
HWY_INLINE void NarrowChunk(const uint8_t* HWY_RESTRICT bytes, int64_t n, IntTotals& t) {
    const hn::ScalableTag<int16_t> d16;
    const hn::RepartitionToWide<decltype(d16)> d32;
    const hn::Repartition<uint32_t, decltype(d16)> du32;
    const hn::Repartition<uint64_t, decltype(d16)> du64;
    const auto N = static_cast<int64_t>(hn::Lanes(d16));
    const auto ones = hn::Set(d16, int16_t{1});
    auto vmin = hn::Set(d16, INT16_MAX), vmax = hn::Set(d16, INT16_MIN);
    auto s0 = hn::Zero(d32), s1 = hn::Zero(d32);
    auto q0 = hn::Zero(du64), q1 = hn::Zero(du64);
    const auto load = [&](int64_t i) HWY_ATTR {
        if constexpr (sizeof(T) == 1) {
            const hn::Rebind<int8_t, decltype(d16)> d8;
            auto v = hn::LoadU(d8, reinterpret_cast<const int8_t*>(bytes) + i);
            if constexpr (kOffset) v = hn::Xor(v, hn::Set(d8, INT8_MIN));
            return hn::PromoteTo(d16, v);
        } else {
            const hn::Repartition<uint8_t, decltype(d16)> d8;
            auto v = hn::BitCast(d16, hn::LoadU(d8, bytes + 2 * i));
            if constexpr (kOffset) v = hn::Xor(v, hn::Set(d16, INT16_MIN));
            return v;
        }
    };
    const auto squares = [&](decltype(vmin) v, decltype(q0)& q) HWY_ATTR {
        auto p1 = hn::Zero(d32);
        const auto p0 = hn::ReorderWidenMulAccumulate(d32, v, v, hn::Zero(d32), p1);
        q = AddHalves(du64, hn::BitCast(du32, p0), q);
        q = AddHalves(du64, hn::BitCast(du32, p1), q);
    };
    int64_t i = 0;
    for (; i + 2 * N <= n; i += 2 * N) {
        const auto v0 = load(i), v1 = load(i + N);
        vmin = hn::Min(vmin, hn::Min(v0, v1));
        vmax = hn::Max(vmax, hn::Max(v0, v1));
        s0 = hn::ReorderWidenMulAccumulate(d32, v0, ones, s0, s1);
        s0 = hn::ReorderWidenMulAccumulate(d32, v1, ones, s0, s1);
        squares(v0, q0);
        squares(v1, q1);
    }
    for (; i + N <= n; i += N) {
        const auto v = load(i);
        vmin = hn::Min(vmin, v);
        vmax = hn::Max(vmax, v);
        s0 = hn::ReorderWidenMulAccumulate(d32, v, ones, s0, s1);
        squares(v, q0);
    }
    int64_t lo = INT64_MAX, hi = INT64_MIN, sum = 0, sumSq = 0;
    if (i > 0) {
        lo = hn::GetLane(hn::MinOfLanes(d16, vmin));
        hi = hn::GetLane(hn::MaxOfLanes(d16, vmax));
        sum = hn::GetLane(hn::SumOfLanes(d32, hn::Add(s0, s1)));
        sumSq = static_cast<int64_t>(hn::GetLane(hn::SumOfLanes(du64, hn::Add(q0, q1))));
    }
    t.lo = std::min(t.lo, lo);
    t.hi = std::max(t.hi, hi);
    t.sum += sum;
    t.sumSq += sumSq;
    ScalarChunk<T>(bytes + i * sizeof(T), n - i, kOffset, t);
}

// 32-bit samples: sums in 64-bit lanes, squares (up to 2^62) split into their
// 32-bit halves so that each half sums in a 64-bit lane.
template <bool kOffset>
HWY_INLINE void WideChunk(const uint8_t* HWY_RESTRICT bytes, int64_t n, IntTotals& t) {
    const hn::ScalableTag<int32_t> d32;
    const hn::RepartitionToWide<decltype(d32)> d64;
    const hn::Rebind<int32_t, decltype(d64)> dh;
    const hn::Repartition<uint64_t, decltype(d32)> du64;
    const hn::Repartition<uint8_t, decltype(d32)> d8;
    const hn::Repartition<uint8_t, decltype(dh)> dh8;
    const auto N = static_cast<int64_t>(hn::Lanes(d32)), H = static_cast<int64_t>(hn::Lanes(d64));
    const auto flip = hn::Set(d32, INT32_MIN);
    const auto flipH = hn::Set(dh, INT32_MIN);
    auto vmin = hn::Set(d32, INT32_MAX), vmax = hn::Set(d32, INT32_MIN);
    auto s = hn::Zero(d64);
    auto qlo = hn::Zero(du64), qhi = hn::Zero(du64);
    const auto half = [&](const uint8_t* p) HWY_ATTR {
        auto v = hn::BitCast(dh, hn::LoadU(dh8, p));
        if constexpr (kOffset) v = hn::Xor(v, flipH);
        return hn::PromoteTo(d64, v);
    };
    const auto square = [&](decltype(s) w) HWY_ATTR {
        const auto sq = hn::BitCast(du64, hn::MulEven(hn::BitCast(d32, w), hn::BitCast(d32, w)));
        qlo = hn::Add(qlo, hn::And(sq, hn::Set(du64, 0xFFFFFFFFu)));
        qhi = hn::Add(qhi, hn::ShiftRight<32>(sq));
    };
    int64_t i = 0;
    for (; i + N <= n; i += N) {
        auto v = hn::BitCast(d32, hn::LoadU(d8, bytes + 4 * i));
        if constexpr (kOffset) v = hn::Xor(v, flip);
        vmin = hn::Min(vmin, v);
        vmax = hn::Max(vmax, v);
        const auto w0 = half(bytes + 4 * i), w1 = half(bytes + 4 * (i + H));
        s = hn::Add(s, hn::Add(w0, w1));
        square(w0);
        square(w1);
    }
    int64_t lo = INT64_MAX, hi = INT64_MIN, sum = 0;
    __int128 sumSq = 0;
    if (i > 0) {
        lo = hn::GetLane(hn::MinOfLanes(d32, vmin));
        hi = hn::GetLane(hn::MaxOfLanes(d32, vmax));
        sum = hn::GetLane(hn::SumOfLanes(d64, s));
        sumSq = (static_cast<__int128>(hn::GetLane(hn::SumOfLanes(du64, qhi))) << 32) +
                hn::GetLane(hn::SumOfLanes(du64, qlo));
    }
    t.lo = std::min(t.lo, lo);
    t.hi = std::max(t.hi, hi);
    t.sum += sum;
    t.sumSq += sumSq;
    ScalarChunk<int32_t>(bytes + 4 * i, n - i, kOffset, t);
}
#endif

// Integer moments of n samples of S (signed; kOffset: unsigned ones) in chunks.
template <typename S, bool kOffset>
HWY_INLINE Moments ChunkedMoments(const uint8_t* bytes, int64_t n) {
    IntTotals t;
    for (int64_t i = 0; i < n; i += kChunk) {
        const int64_t len = std::min(kChunk, n - i);
        const uint8_t* p = bytes + i * static_cast<int64_t>(sizeof(S));
#if HWY_TARGET == HWY_SCALAR
        ScalarChunk<S>(p, len, kOffset, t);
#else
        if constexpr (sizeof(S) == 4) WideChunk<kOffset>(p, len, t);
        else NarrowChunk<S, kOffset>(p, len, t);
#endif
    }
    return moments::ToMoments(t, n, kOffset ? int64_t{1} << (8 * sizeof(S) - 1) : 0);
}

// type 0 .. 5: Int8, UInt8, Int16, UInt16, Int32, UInt32.
Moments IntegerMomentsOf(int type, const uint8_t* bytes, int64_t n) {
    switch (type) {
    case 0: return ChunkedMoments<int8_t, false>(bytes, n);
    case 1: return ChunkedMoments<int8_t, true>(bytes, n);
    case 2: return ChunkedMoments<int16_t, false>(bytes, n);
    case 3: return ChunkedMoments<int16_t, true>(bytes, n);
    case 4: return ChunkedMoments<int32_t, false>(bytes, n);
    default: return ChunkedMoments<int32_t, true>(bytes, n);
    }
}

// Whole float runs, one run per lane: each lane takes its run's samples in order,
// as the scalar rule does, so the sums are bit for bit those of MomentsOf.
// Returns the runs done (a multiple of the lanes).
int64_t FloatRuns(const float* HWY_RESTRICT x, int64_t runs, int64_t run, Moments* out) {
#if HWY_TARGET == HWY_SCALAR
    return 0;  // one lane: the scalar rule itself
#else
    const hn::ScalableTag<double> d;
    const hn::Rebind<float, decltype(d)> df;
    const hn::Rebind<int32_t, decltype(d)> di;
    const auto L = static_cast<int64_t>(hn::Lanes(d));
    if (run > INT32_MAX / L) return 0;
    const auto index = hn::Mul(hn::Iota(di, 0), hn::Set(di, static_cast<int32_t>(run)));
    const auto one = hn::Set(d, 1.0);
    HWY_ALIGN double lanes[8][hn::MaxLanes(d)];
    int64_t r = 0;
    for (; r + L <= runs; r += L) {
        const float* base = x + r * run;
        auto count = hn::Zero(d);
        auto mn = hn::Set(d, std::numeric_limits<double>::infinity()), mx = hn::Neg(mn);
        auto sHi = hn::Zero(d), sLo = hn::Zero(d), qHi = hn::Zero(d), qLo = hn::Zero(d);
        // hi + lo += v where ok, as DoubleDouble::Add(double) does.
        const auto add = [&](auto ok, auto v, auto& hi, auto& lo) HWY_ATTR {
            const auto s = hn::Add(hi, v);
            const auto bb = hn::Sub(s, hi);
            const auto e = hn::Add(hn::Sub(hi, hn::Sub(s, bb)), hn::Sub(v, bb));
            hi = hn::IfThenElse(ok, s, hi);
            lo = hn::IfThenElse(ok, hn::Add(lo, e), lo);
        };
        for (int64_t i = 0; i < run; ++i) {
            const auto v = hn::PromoteTo(d, hn::GatherIndex(df, base + i, index));
            const auto ok = hn::IsFinite(v);
            count = hn::Add(count, hn::IfThenElseZero(ok, one));
            mn = hn::IfThenElse(hn::And(ok, hn::Lt(v, mn)), v, mn);
            mx = hn::IfThenElse(hn::And(ok, hn::Lt(mx, v)), v, mx);
            add(ok, v, sHi, sLo);
            add(ok, hn::Mul(v, v), qHi, qLo);
        }
        hn::Store(count, d, lanes[0]);
        hn::Store(mn, d, lanes[1]);
        hn::Store(mx, d, lanes[2]);
        hn::Store(sHi, d, lanes[3]);
        hn::Store(sLo, d, lanes[4]);
        hn::Store(qHi, d, lanes[5]);
        hn::Store(qLo, d, lanes[6]);
        for (int64_t k = 0; k < L; ++k) {
            Moments& m = out[r + k];
            m = Moments{};
            m.count = static_cast<int64_t>(lanes[0][k]);
            m.nan = run - m.count;
            m.min = lanes[1][k];
            m.max = lanes[2][k];
            m.fsum = {lanes[3][k], lanes[4][k]};
            m.fsumSq = {lanes[5][k], lanes[6][k]};
        }
    }
    return r;
#endif
}

}  // namespace HWY_NAMESPACE
}  // namespace kivelo
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace kivelo {

HWY_EXPORT(IntegerMomentsOf);
HWY_EXPORT(FloatRuns);

Moments IntegerSpanMoments(SampleType type, const uint8_t* bytes, int64_t n) {
    return HWY_DYNAMIC_DISPATCH(IntegerMomentsOf)(static_cast<int>(type), bytes, n);
}

void RunMoments(SampleType type, const uint8_t* bytes, int64_t n, int64_t run, Moments* out) {
    if (n <= 0 || run <= 0) return;
    const int64_t runs = (n + run - 1) / run;
    int64_t done = 0;
    if (type == SampleType::Float32) {
        // Whole runs by lanes, from memory where floats may be read.
        static_assert(alignof(float) <= 4);
        const int64_t whole = n / run;
        if (reinterpret_cast<uintptr_t>(bytes) % alignof(float) == 0)
            done = HWY_DYNAMIC_DISPATCH(FloatRuns)(reinterpret_cast<const float*>(bytes), whole, run, out);
        for (int64_t r = done; r < runs; ++r) out[r] = MomentsOf(type, bytes + r * run * 4, std::min(run, n - r * run));
        return;
    }
    const auto dispatch = HWY_DYNAMIC_DISPATCH(IntegerMomentsOf);
    const int width = 1 << (static_cast<int>(type) / 2);
    for (int64_t r = 0; r < runs; ++r)
        out[r] = dispatch(static_cast<int>(type), bytes + r * run * width, std::min(run, n - r * run));
}

const char* MomentsTarget() {
    const int64_t targets = hwy::SupportedTargets() & HWY_TARGETS;
    return targets == 0 ? "none" : hwy::TargetName(targets & -targets);  // the best: the lowest bit
}

}  // namespace kivelo
#endif
