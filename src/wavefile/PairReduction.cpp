// The pair reductions built with Highway once per instruction set of the
// platform (SSSE3 to AVX-512 on x86-64, NEON and SVE on arm64, a portable
// fallback elsewhere); the best one the processor runs is chosen at the first call.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "wavefile/PairReduction.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "wavefile/PairReduction.h"

#include <bit>

HWY_BEFORE_NAMESPACE();
namespace kivelo {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// A lane operation for vectors (hn::VecOp) and, as `scalar`, for two samples.
#define KIVELO_LANE_OP(Name, VecOp, scalar)       \
    struct Name {                                 \
        template <class V>                        \
        HWY_INLINE V operator()(V a, V b) const { \
            return hn::VecOp(a, b);               \
        }                                         \
        template <typename T>                     \
        HWY_INLINE T Scalar(T a, T b) const {     \
            return static_cast<T>(scalar);        \
        }                                         \
    };
KIVELO_LANE_OP(MinOp, Min, b < a ? b : a)
KIVELO_LANE_OP(MaxOp, Max, b > a ? b : a)
KIVELO_LANE_OP(AndOp, And, a& b)
KIVELO_LANE_OP(OrOp, Or, a | b)
#undef KIVELO_LANE_OP

template <class D, class V, class Op>
HWY_INLINE hn::TFromD<D> FoldStored(D d, V v, const Op& op) {
    using T = hn::TFromD<D>;
    HWY_ALIGN T lanes[hn::MaxLanes(d)];
    hn::Store(v, d, lanes);
    T a = lanes[0];
    const size_t n = hn::Lanes(d);
    for (size_t i = 1; i < n; ++i) a = op.Scalar(a, lanes[i]);
    return a;
}

// One lane holding op of all lanes: halves are folded down to 128 bits, where
// minimum and maximum have fast instructions (8-bit lanes widened to reach them).
template <class D, class V, class Op>
HWY_INLINE hn::TFromD<D> Fold(D d, V v, const Op& op) {
#if HWY_HAVE_SCALABLE || HWY_TARGET == HWY_SCALAR
    return FoldStored(d, v, op);
#else
    using T = hn::TFromD<D>;
    if constexpr (hn::MaxLanes(d) * sizeof(T) > 16) {
        const hn::Half<D> dh;
        return Fold(dh, op(hn::LowerHalf(dh, v), hn::UpperHalf(dh, v)), op);
    } else if constexpr (hn::MaxLanes(d) * sizeof(T) < 16 ||
                         !(std::is_same_v<Op, MinOp> || std::is_same_v<Op, MaxOp>)) {
        return FoldStored(d, v, op);
    } else if constexpr (sizeof(T) == 1) {
        const hn::Half<D> dh;
        const hn::Rebind<hwy::MakeWide<T>, decltype(dh)> dw;
        const auto w = op(hn::PromoteTo(dw, hn::LowerHalf(dh, v)), hn::PromoteTo(dw, hn::UpperHalf(dh, v)));
        if constexpr (std::is_same_v<Op, MinOp>) return static_cast<T>(hn::GetLane(hn::MinOfLanes(dw, w)));
        else return static_cast<T>(hn::GetLane(hn::MaxOfLanes(dw, w)));
    } else if constexpr (std::is_same_v<Op, MinOp>) {
        return hn::GetLane(hn::MinOfLanes(d, v));
    } else {
        return hn::GetLane(hn::MaxOfLanes(d, v));
    }
#endif
}

constexpr int64_t kBlock = kSummaryBlockSamples;

// Whether the first of the n samples at x equal to mn or mx is mn (true when none is).
template <class D, typename T>
HWY_INLINE bool MinComesFirst(D d, const T* HWY_RESTRICT x, int64_t n, T mn, T mx) {
    const auto N = static_cast<int64_t>(hn::Lanes(d));
    const auto lo = hn::Set(d, mn), hi = hn::Set(d, mx);
    int64_t j = 0;
    for (; j + N <= n; j += N) {
        const auto v = hn::LoadU(d, x + j);
        const intptr_t at = hn::FindFirstTrue(d, hn::Or(hn::Eq(v, lo), hn::Eq(v, hi)));
        if (at >= 0) return x[j + at] == mn;
    }
    for (; j < n; ++j)
        if (x[j] == mn || x[j] == mx) return x[j] == mn;
    return true;
}

// lo and hi over the n >= 1 samples at x.
template <class D, typename T, class LoOp, class HiOp>
HWY_INLINE void FoldRange(D d, const T* HWY_RESTRICT x, int64_t n, const LoOp& lo, const HiOp& hi, T& a, T& b) {
    const auto N = static_cast<int64_t>(hn::Lanes(d));
    a = x[0];
    b = x[0];
    int64_t i = 0;
    if (n >= N) {
        auto va = hn::LoadU(d, x), vb = va;
        for (i = N; i + N <= n; i += N) {
            const auto v = hn::LoadU(d, x + i);
            va = lo(va, v);
            vb = hi(vb, v);
        }
        a = Fold(d, va, lo);
        b = Fold(d, vb, hi);
    }
    for (; i < n; ++i) {
        a = lo.Scalar(a, x[i]);
        b = hi.Scalar(b, x[i]);
    }
}

// A loaded vector kept in a register: the compiler would otherwise load it again
// for each operation that uses it, and the loads bound the reduction.
template <class V>
HWY_INLINE void InRegister(V& v) {
#if HWY_ARCH_X86 && !HWY_HAVE_SCALABLE && HWY_TARGET != HWY_SCALAR && HWY_TARGET != HWY_EMU128
    asm("" : "+v"(v.raw));
#else
    (void)v;
#endif
}

// How far ahead of a block its samples are asked for. Samples seen in place in
// the system's cache come from memory, and the processor's own prefetching stops
// at each 4 KB page: the loads waited on memory (asking two pages ahead took the
// first frame of a 2 GiB record from about 1.4 to 1.1 times a streaming read in
// the same runs; half a page or four pages ahead were no faster).
constexpr uintptr_t kAheadBytes = 8192;

// Asks for the cache lines of the block at x, kAheadBytes ahead; a hint, never a fault.
template <typename T>
HWY_INLINE void AskAheadOf(const T* x) {
    const uintptr_t at = reinterpret_cast<uintptr_t>(x) + kAheadBytes;
    for (uintptr_t line = 0; line < static_cast<uintptr_t>(kBlock) * sizeof(T); line += 64)
        __builtin_prefetch(reinterpret_cast<const void*>(at + line));
}

#if !HWY_HAVE_SCALABLE && HWY_TARGET != HWY_SCALAR
// lo and hi of the `blocks` whole blocks at x, each spread over an equal share of
// the lanes in order: one block's vectors folded into one, in four chains joined
// at its end (the steps of one chain wait on each other, those of four overlap);
// two halves' vectors by folding neighbouring lanes pairwise across both (each
// fold halves the lanes a block holds and packs the two into one vector). Half by
// half, so that no more than a few vectors wait at once.
template <size_t kBlocks, class D, typename T, class LoOp, class HiOp>
HWY_INLINE void FoldBlocks(D d, const T* HWY_RESTRICT x, const LoOp& lo, const HiOp& hi, hn::Vec<D>& a, hn::Vec<D>& b) {
    using V = hn::Vec<D>;
    if constexpr (kBlocks == 1) {
        constexpr size_t K = hn::MaxLanes(d);
        static_assert(kBlock % (4 * K) == 0, "a block is whole vectors of four chains");
        AskAheadOf(x);
        V mn0 = hn::LoadU(d, x), mn1 = hn::LoadU(d, x + K), mn2 = hn::LoadU(d, x + 2 * K),
          mn3 = hn::LoadU(d, x + 3 * K);
        InRegister(mn0);
        InRegister(mn1);
        InRegister(mn2);
        InRegister(mn3);
        V mx0 = mn0, mx1 = mn1, mx2 = mn2, mx3 = mn3;
        for (size_t i = 4 * K; i < static_cast<size_t>(kBlock); i += 4 * K) {
            V v0 = hn::LoadU(d, x + i), v1 = hn::LoadU(d, x + i + K), v2 = hn::LoadU(d, x + i + 2 * K),
              v3 = hn::LoadU(d, x + i + 3 * K);
            InRegister(v0);
            InRegister(v1);
            InRegister(v2);
            InRegister(v3);
            mn0 = lo(mn0, v0);
            mx0 = hi(mx0, v0);
            mn1 = lo(mn1, v1);
            mx1 = hi(mx1, v1);
            mn2 = lo(mn2, v2);
            mx2 = hi(mx2, v2);
            mn3 = lo(mn3, v3);
            mx3 = hi(mx3, v3);
        }
        a = lo(lo(mn0, mn1), lo(mn2, mn3));
        b = hi(hi(mx0, mx1), hi(mx2, mx3));
    } else {
        V a0, b0, a1, b1;
        FoldBlocks<kBlocks / 2>(d, x, lo, hi, a0, b0);
        FoldBlocks<kBlocks / 2>(d, x + kBlocks / 2 * kBlock, lo, hi, a1, b1);
        a = lo(hn::ConcatEven(d, a1, a0), hn::ConcatOdd(d, a1, a0));
        b = hi(hn::ConcatEven(d, b1, b0), hn::ConcatOdd(d, b1, b0));
    }
}

// lo and hi of each of as many whole blocks as a vector has lanes, lane j for the
// block at x + j * kBlock, instead of one block at a time.
template <class D, typename T, class LoOp, class HiOp>
HWY_INLINE void FoldLaneBlocks(D d, const T* HWY_RESTRICT x, const LoOp& lo, const HiOp& hi, T* HWY_RESTRICT a,
                               T* HWY_RESTRICT b) {
    hn::Vec<D> va, vb;
    FoldBlocks<hn::MaxLanes(d)>(d, x, lo, hi, va, vb);
    hn::StoreU(va, d, a);
    hn::StoreU(vb, d, b);
}
#endif

template <typename T>
HWY_INLINE void BlockPairsOf(const T* HWY_RESTRICT x, int64_t blocks, bool bits, T* HWY_RESTRICT out) {
    const hn::CappedTag<T, kBlock> d;
#if !HWY_HAVE_SCALABLE && HWY_TARGET != HWY_SCALAR
    constexpr int64_t K = static_cast<int64_t>(hn::MaxLanes(d));
    if constexpr (K > 1 && K <= kBlock && kBlock % K == 0) {
        HWY_ALIGN T a[K], b[K], starts[K];
        for (; blocks >= K; blocks -= K) {
            if (bits) {
                FoldLaneBlocks(d, x, AndOp(), OrOp(), a, b);
                hn::StoreInterleaved2(hn::Load(d, a), hn::Load(d, b), d, out);
                x += K * kBlock;
                out += 2 * K;
                continue;
            }
            FoldLaneBlocks(d, x, MinOp(), MaxOp(), a, b);
            // The order of every block at once where each starts at one of its
            // extremes (as smooth signals mostly do); else block by block below.
            for (int64_t j = 0; j < K; ++j) starts[j] = x[j * kBlock];
            const auto mn = hn::Load(d, a), mx = hn::Load(d, b), x0 = hn::Load(d, starts);
            const auto atMin = hn::Or(hn::Eq(mn, mx), hn::Eq(x0, mn));
            hn::StoreInterleaved2(hn::IfThenElse(atMin, mn, mx), hn::IfThenElse(atMin, mx, mn), d, out);
            // The few blocks that start at neither extreme are searched one by one,
            // found by their bits (a test of every block's bit mispredicts).
            static_assert(K <= 64, "a bit for each block");
            uint8_t undecidedBytes[(K + 7) / 8] = {};
            hn::StoreMaskBits(d, hn::Not(hn::Or(atMin, hn::Eq(x0, mx))), undecidedBytes);
            uint64_t undecided = 0;
            for (size_t i = 0; i < sizeof(undecidedBytes); ++i) undecided |= uint64_t{undecidedBytes[i]} << (8 * i);
            for (; undecided != 0; undecided &= undecided - 1) {
                const auto j = static_cast<int64_t>(std::countr_zero(undecided));
                const bool minFirst = MinComesFirst(d, x + j * kBlock, kBlock, a[j], b[j]);
                out[2 * j] = minFirst ? a[j] : b[j];
                out[2 * j + 1] = minFirst ? b[j] : a[j];
            }
            x += K * kBlock;
            out += 2 * K;
        }
    }
#endif
    for (int64_t k = 0; k < blocks; ++k, x += kBlock, out += 2) {
        if (bits) {
            FoldRange(d, x, kBlock, AndOp(), OrOp(), out[0], out[1]);
            continue;
        }
        T mn, mx;
        FoldRange(d, x, kBlock, MinOp(), MaxOp(), mn, mx);
        // Smooth signals mostly start a block at one of its extremes.
        const bool minFirst = mn == mx || x[0] == mn ? true : x[0] == mx ? false : MinComesFirst(d, x, kBlock, mn, mx);
        out[0] = minFirst ? mn : mx;
        out[1] = minFirst ? mx : mn;
    }
}

// The pair of a run of kSummaryFan pairs, joined one after the other.
template <typename T>
HWY_INLINE void FanPair(const T* HWY_RESTRICT below, bool bits, T* HWY_RESTRICT out) {
    PairExtent<T> e = PairExtentOf(below[0], below[1], bits);
    for (int64_t j = 1; j < kSummaryFan; ++j) AppendPair(e, below[2 * j], below[2 * j + 1], bits);
    out[0] = bits || e.minFirst ? e.mn : e.mx;
    out[1] = bits || e.minFirst ? e.mx : e.mn;
}

// As many runs as a vector has lanes at once, lane g for run g: their pairs'
// values split into one vector per place in the run by four rounds of taking the
// even and the odd lanes, then AppendPair's rule lane by lane.
template <typename T>
HWY_INLINE void SecondLevelOf(const T* HWY_RESTRICT below, int64_t groups, bool bits, T* HWY_RESTRICT out) {
    static_assert(kSummaryFan == 8, "a run's 16 values are split in four rounds");
#if !HWY_HAVE_SCALABLE && HWY_TARGET != HWY_SCALAR
    const hn::ScalableTag<T> d;
    constexpr int64_t K = static_cast<int64_t>(hn::MaxLanes(d));
    if constexpr (K >= 2) {
        using V = hn::Vec<decltype(d)>;
        for (; groups >= K; groups -= K, below += 2 * kSummaryFan * K, out += 2 * K) {
            V v[16];
            for (size_t i = 0; i < 16; ++i) v[i] = hn::LoadU(d, below + i * K);
            // Streams of the values whose index leaves the same remainder by 2, 4, 8,
            // then 16: stream t of `streams`, m vectors long, at v[t * m].
            for (size_t m = 16, streams = 1; m > 1; m /= 2, streams *= 2) {
                V split[16];
                for (size_t t = 0; t < streams; ++t)
                    for (size_t k = 0; k < m / 2; ++k) {
                        split[t * (m / 2) + k] = hn::ConcatEven(d, v[t * m + 2 * k + 1], v[t * m + 2 * k]);
                        split[(t + streams) * (m / 2) + k] = hn::ConcatOdd(d, v[t * m + 2 * k + 1], v[t * m + 2 * k]);
                    }
                for (size_t i = 0; i < 16; ++i) v[i] = split[i];
            }
            if (bits) {
                V mn = v[0], mx = v[1];
                for (size_t j = 1; j < kSummaryFan; ++j) {
                    mn = hn::And(mn, v[2 * j]);
                    mx = hn::Or(mx, v[2 * j + 1]);
                }
                hn::StoreInterleaved2(mn, mx, d, out);
                continue;
            }
            V mn = hn::Min(v[0], v[1]), mx = hn::Max(v[0], v[1]);
            auto minFirst = hn::Not(hn::Gt(v[0], v[1]));
            for (size_t j = 1; j < kSummaryFan; ++j) {
                const V a = v[2 * j], b = v[2 * j + 1], lo = hn::Min(a, b), hi = hn::Max(a, b);
                const auto newMin = hn::Lt(lo, mn), newMax = hn::Gt(hi, mx);
                minFirst = hn::Or(hn::And(newMin, hn::And(newMax, hn::Not(hn::Gt(a, b)))),
                                  hn::AndNot(newMin, hn::Or(newMax, minFirst)));
                mn = hn::Min(mn, lo);
                mx = hn::Max(mx, hi);
            }
            hn::StoreInterleaved2(hn::IfThenElse(minFirst, mn, mx), hn::IfThenElse(minFirst, mx, mn), d, out);
        }
    }
#endif
    for (; groups > 0; --groups, below += 2 * kSummaryFan, out += 2) FanPair(below, bits, out);
}

template <typename T>
HWY_INLINE int64_t FirstIndexOf(const T* x, int64_t from, int64_t to, T value) {
    for (int64_t i = from; i < to; ++i)
        if (x[i] == value) return i;
    return to;
}

// Minimum and maximum of one group and the carried order flag (see the scalar
// rule in PairReduction.h). The scan folds lanes only where a stretch holds a
// new extreme; which extreme came last is told by the stretches' starts, and
// only a stretch holding both is searched.
template <typename T>
HWY_INLINE void MinMaxGroup(const T* HWY_RESTRICT x, int64_t len, int& flag, T& first, T& second) {
    const hn::ScalableTag<T> d;
    const auto N = static_cast<int64_t>(hn::Lanes(d));
    T mn = x[0], mx = x[0];
    int64_t minAt = -1, maxAt = -1;  // start of the stretch holding the last new extreme
    auto vmn = hn::Set(d, mn), vmx = hn::Set(d, mx);
    int64_t i = 0;
    auto check = [&](decltype(vmn) lo, decltype(vmn) hi, int64_t at) HWY_ATTR {
        if (!hn::AllFalse(d, hn::Lt(lo, vmn))) {
            mn = Fold(d, lo, MinOp());
            vmn = hn::Set(d, mn);
            minAt = at;
        }
        if (!hn::AllFalse(d, hn::Gt(hi, vmx))) {
            mx = Fold(d, hi, MaxOp());
            vmx = hn::Set(d, mx);
            maxAt = at;
        }
    };
    for (; i + 16 * N <= len; i += 16 * N) {
        const T* p = x + i;
        auto lo0 = hn::LoadU(d, p), lo1 = hn::LoadU(d, p + N);
        auto lo2 = hn::LoadU(d, p + 2 * N), lo3 = hn::LoadU(d, p + 3 * N);
        auto hi0 = lo0, hi1 = lo1, hi2 = lo2, hi3 = lo3;
        for (int64_t j = 4 * N; j < 16 * N; j += 4 * N) {
            const auto v0 = hn::LoadU(d, p + j), v1 = hn::LoadU(d, p + j + N);
            const auto v2 = hn::LoadU(d, p + j + 2 * N), v3 = hn::LoadU(d, p + j + 3 * N);
            lo0 = hn::Min(lo0, v0);
            hi0 = hn::Max(hi0, v0);
            lo1 = hn::Min(lo1, v1);
            hi1 = hn::Max(hi1, v1);
            lo2 = hn::Min(lo2, v2);
            hi2 = hn::Max(hi2, v2);
            lo3 = hn::Min(lo3, v3);
            hi3 = hn::Max(hi3, v3);
        }
        check(hn::Min(hn::Min(lo0, lo1), hn::Min(lo2, lo3)), hn::Max(hn::Max(hi0, hi1), hn::Max(hi2, hi3)), i);
    }
    for (; i + N <= len; i += N) {
        const auto v = hn::LoadU(d, x + i);
        check(v, v, i);
    }
    if (i < len) {
        T a = x[i], b = x[i];
        for (int64_t j = i + 1; j < len; ++j) {
            a = x[j] < a ? x[j] : a;
            b = x[j] > b ? x[j] : b;
        }
        if (a < mn) mn = a, minAt = i;
        if (b > mx) mx = b, maxAt = i;
    }
    if (minAt >= 0 || maxAt >= 0) {
        if (minAt < 0) flag = 1;
        else if (maxAt < 0) flag = 0;
        else if (minAt != maxAt) flag = maxAt > minAt ? 1 : 0;
        // Both first reached in one stretch: each value's first occurrence from there is in it.
        else flag = FirstIndexOf(x, maxAt, len, mx) > FirstIndexOf(x, minAt, len, mn) ? 1 : 0;
    }
    if (flag) first = mn, second = mx;
    else first = mx, second = mn;
}

template <typename T>
HWY_INLINE void AndOrGroup(const T* HWY_RESTRICT x, int64_t len, T& first, T& second) {
    FoldRange(hn::ScalableTag<T>(), x, len, AndOp(), OrOp(), first, second);
}

// The pair of n >= 1 samples, as ReducePairs writes one group of them: their
// smallest and largest, the one first reached first (AND and OR of bit data).
template <typename T>
HWY_INLINE void RangePairOf(const T* HWY_RESTRICT x, int64_t n, bool bits, T* HWY_RESTRICT out) {
    if (bits) {
        AndOrGroup(x, n, out[0], out[1]);
        return;
    }
    const hn::ScalableTag<T> d;
    T mn, mx;
    FoldRange(d, x, n, MinOp(), MaxOp(), mn, mx);
    const bool minFirst = MinComesFirst(d, x, n, mn, mx);
    out[0] = minFirst ? mn : mx;
    out[1] = minFirst ? mx : mn;
}

template <typename T>
HWY_INLINE int64_t Reduce(const T* HWY_RESTRICT in, int64_t n, int stepCode, bool bitData, T* HWY_RESTRICT out,
                          int64_t outCapacity) {
    return detail::WalkGroups(in, n, stepCode, out, outCapacity, [&](const T* x, int64_t len, int& flag, T* pair) {
        if (bitData) AndOrGroup(x, len, pair[0], pair[1]);
        else MinMaxGroup(x, len, flag, pair[0], pair[1]);
    });
}

#define KIVELO_TARGET_KERNELS(T, Name)                                                                           \
    int64_t Reduce##Name(const T* in, int64_t n, int stepCode, bool bitData, T* out, int64_t outCapacity) {      \
        return Reduce(in, n, stepCode, bitData, out, outCapacity);                                               \
    }                                                                                                            \
    void BlockPairs##Name(const T* x, int64_t blocks, bool bits, T* out) { BlockPairsOf(x, blocks, bits, out); } \
    void RangePair##Name(const T* x, int64_t n, bool bits, T* out) { RangePairOf(x, n, bits, out); }             \
    void SecondLevel##Name(const T* below, int64_t groups, bool bits, T* out) {                                  \
        SecondLevelOf(below, groups, bits, out);                                                                 \
    }

KIVELO_TARGET_KERNELS(int8_t, I8)
KIVELO_TARGET_KERNELS(uint8_t, U8)
KIVELO_TARGET_KERNELS(int16_t, I16)
KIVELO_TARGET_KERNELS(uint16_t, U16)
KIVELO_TARGET_KERNELS(int32_t, I32)
KIVELO_TARGET_KERNELS(uint32_t, U32)
#undef KIVELO_TARGET_KERNELS

}  // namespace HWY_NAMESPACE
}  // namespace kivelo
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace kivelo {

#define KIVELO_DISPATCH(T, Name)                                                                             \
    HWY_EXPORT(Reduce##Name);                                                                                \
    HWY_EXPORT(BlockPairs##Name);                                                                            \
    int64_t ReduceSamples(const T* in, int64_t n, int stepCode, bool bitData, T* out, int64_t outCapacity) { \
        return HWY_DYNAMIC_DISPATCH(Reduce##Name)(in, n, stepCode, bitData, out, outCapacity);               \
    }                                                                                                        \
    void SummaryBlockPairs(const T* x, int64_t blocks, bool bits, T* out) {                                  \
        HWY_DYNAMIC_DISPATCH(BlockPairs##Name)(x, blocks, bits, out);                                        \
    }                                                                                                        \
    HWY_EXPORT(RangePair##Name);                                                                             \
    void RangePairFor(const T* x, int64_t n, bool bits, T* out) {                                            \
        HWY_DYNAMIC_DISPATCH(RangePair##Name)(x, n, bits, out);                                              \
    }                                                                                                        \
    HWY_EXPORT(SecondLevel##Name);                                                                           \
    void SecondLevelFor(const T* below, int64_t groups, bool bits, T* out) {                                 \
        HWY_DYNAMIC_DISPATCH(SecondLevel##Name)(below, groups, bits, out);                                   \
    }

KIVELO_DISPATCH(int8_t, I8)
KIVELO_DISPATCH(uint8_t, U8)
KIVELO_DISPATCH(int16_t, I16)
KIVELO_DISPATCH(uint16_t, U16)
KIVELO_DISPATCH(int32_t, I32)
KIVELO_DISPATCH(uint32_t, U32)
#undef KIVELO_DISPATCH

template <typename T>
void SummarySecondLevel(const T* below, int64_t groups, bool bits, T* out) {
    SecondLevelFor(below, groups, bits, out);
}
template <typename T>
void SummaryRangePair(const T* x, int64_t n, bool bits, T* out) {
    RangePairFor(x, n, bits, out);
}
#define KIVELO_INSTANTIATE(T)                                      \
    template void SummarySecondLevel(const T*, int64_t, bool, T*); \
    template void SummaryRangePair(const T*, int64_t, bool, T*);
KIVELO_INSTANTIATE(int8_t)
KIVELO_INSTANTIATE(uint8_t)
KIVELO_INSTANTIATE(int16_t)
KIVELO_INSTANTIATE(uint16_t)
KIVELO_INSTANTIATE(int32_t)
KIVELO_INSTANTIATE(uint32_t)
#undef KIVELO_INSTANTIATE

const char* PairReductionTarget() {
    const int64_t targets = hwy::SupportedTargets() & HWY_TARGETS;
    return targets == 0 ? "none" : hwy::TargetName(targets & -targets);  // the best: the lowest bit
}

}  // namespace kivelo
#endif
