#include "wavefile/SampleConversion.h"

#include "wavefile/VectorClones.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace kivelo {

namespace {

inline uint8_t Swap(uint8_t v) { return v; }
inline uint16_t Swap(uint16_t v) { return __builtin_bswap16(v); }
inline uint32_t Swap(uint32_t v) { return __builtin_bswap32(v); }

// In and Out are unsigned types of the stored and the output width. Each sample is
// loaded before it is stored, so src and dst may be the same memory when
// sizeof(Out) <= sizeof(In).
template <typename In, typename Out>
void Run(const uint8_t* src, uint8_t* dst, int64_t n, bool swap, bool zeroExtend) {
    using SignedIn = std::make_signed_t<In>;
    for (int64_t i = 0; i < n; ++i) {
        In v;
        std::memcpy(&v, src + i * static_cast<int64_t>(sizeof(In)), sizeof(In));
        if (swap) v = Swap(v);
        Out o;
        if constexpr (sizeof(Out) > sizeof(In))
            o = zeroExtend ? static_cast<Out>(v) : static_cast<Out>(static_cast<SignedIn>(v));
        else o = static_cast<Out>(v);  // same width, or the low-order bytes
        std::memcpy(dst + i * static_cast<int64_t>(sizeof(Out)), &o, sizeof(Out));
    }
}

// Byte reversal at the same width. Samples are accessed through an unaligned,
// aliasing view so the loop vectorises; src and dst may be the same memory.
template <typename U>
[[gnu::always_inline]] inline void SwapRun(const uint8_t* src, uint8_t* dst, int64_t n) {
    typedef U __attribute__((aligned(1), may_alias)) Loose;
    const auto* in = reinterpret_cast<const Loose*>(src);
    auto* out = reinterpret_cast<Loose*>(dst);
    constexpr int64_t kBlock = 64;  // a fixed trip count for the vectoriser
    int64_t i = 0;
    for (; i + kBlock <= n; i += kBlock) {
        // Each sample depends only on itself, also when converting in place.
#pragma GCC ivdep
        for (int64_t j = 0; j < kBlock; ++j) out[i + j] = Swap(in[i + j]);
    }
    for (; i < n; ++i) out[i] = Swap(in[i]);
}

template <typename In>
void RunTo(int outSize, const uint8_t* src, uint8_t* dst, int64_t n, bool swap, bool zeroExtend) {
    switch (outSize) {
    case 1: Run<In, uint8_t>(src, dst, n, swap, zeroExtend); break;
    case 2: Run<In, uint16_t>(src, dst, n, swap, zeroExtend); break;
    case 4: Run<In, uint32_t>(src, dst, n, swap, zeroExtend); break;
    default: break;
    }
}

}  // namespace

int OutputSampleSize(int code, int nativeWidth) {
    if (nativeWidth != 1 && nativeWidth != 2 && nativeWidth != 4) return 0;
    switch (code) {
    case 0: return nativeWidth;
    case 1: return 1;
    case 2: return 2;
    case 3: return 4;
    default: return 0;
    }
}

KIVELO_VECTOR_CLONES int64_t ConvertSampleRun(int code, int width, std::span<uint8_t> dst, std::span<const uint8_t> src,
                                              int64_t count, bool swap, bool zeroExtend) {
    const int outSize = OutputSampleSize(code, width);
    if (outSize == 0 || count <= 0) return 0;
    int64_t n = std::min({count, static_cast<int64_t>(src.size()) / width, static_cast<int64_t>(dst.size()) / outSize});
    if (n <= 0) return 0;
    if (outSize == width && (!swap || width == 1)) {
        if (dst.data() != src.data()) std::memcpy(dst.data(), src.data(), static_cast<std::size_t>(n * width));
        return n;
    }
    if (outSize == width) {
        if (width == 2) SwapRun<uint16_t>(src.data(), dst.data(), n);
        else SwapRun<uint32_t>(src.data(), dst.data(), n);
        return n;
    }
    switch (width) {
    case 1: RunTo<uint8_t>(outSize, src.data(), dst.data(), n, swap, zeroExtend); break;
    case 2: RunTo<uint16_t>(outSize, src.data(), dst.data(), n, swap, zeroExtend); break;
    case 4: RunTo<uint32_t>(outSize, src.data(), dst.data(), n, swap, zeroExtend); break;
    default: return 0;
    }
    return n;
}

}  // namespace kivelo
