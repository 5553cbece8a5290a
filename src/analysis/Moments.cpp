#include "analysis/Moments.h"

#include "analysis/MomentKernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

namespace kivelo {

namespace {

// Exact sum of two doubles as hi + lo (Knuth).
inline void TwoSum(double a, double b, double& s, double& e) {
    s = a + b;
    const double bb = s - a;
    e = (a - (s - bb)) + (b - bb);
}

Moments FloatMoments(const uint8_t* bytes, int64_t n) {
    Moments m;
    for (int64_t i = 0; i < n; ++i) {
        float f;
        std::memcpy(&f, bytes + i * 4, 4);
        const double v = f;
        if (!std::isfinite(v)) {
            ++m.nan;
            continue;
        }
        ++m.count;
        m.fsum.Add(v);
        m.fsumSq.Add(v * v);  // exact: a float's square fits a double
        m.min = std::min(m.min, v);
        m.max = std::max(m.max, v);
    }
    return m;
}

// Double-double products and quotients, enough for a variance without cancellation.
DoubleDouble Square(const DoubleDouble& a) {
    DoubleDouble r;
    r.hi = a.hi * a.hi;
    r.lo = std::fma(a.hi, a.hi, -r.hi) + 2.0 * a.hi * a.lo;
    return r;
}

DoubleDouble Divide(const DoubleDouble& a, double d) {
    DoubleDouble r;
    r.hi = a.hi / d;
    const double rem = std::fma(-r.hi, d, a.hi) + a.lo;
    r.lo = rem / d;
    return r;
}

DoubleDouble Negate(const DoubleDouble& a) { return {-a.hi, -a.lo}; }

}  // namespace

void DoubleDouble::Add(double x) {
    double s, e;
    TwoSum(hi, x, s, e);
    hi = s;
    lo += e;
}

void DoubleDouble::Add(const DoubleDouble& x) {
    double s, e;
    TwoSum(hi, x.hi, s, e);
    e += lo + x.lo;
    TwoSum(s, e, hi, lo);
}

void Moments::Merge(const Moments& o) {
    count += o.count;
    nan += o.nan;
    min = std::min(min, o.min);
    max = std::max(max, o.max);
    sum += o.sum;
    sumSq += o.sumSq;
    fsum.Add(o.fsum);
    fsumSq.Add(o.fsumSq);
}

Moments MomentsOf(SampleType type, const uint8_t* bytes, int64_t n) {
    return type == SampleType::Float32 ? FloatMoments(bytes, n) : IntegerSpanMoments(type, bytes, n);
}

void ToPhysical(SampleType type, const uint8_t* bytes, int64_t n, double gain, double offset, double* out) {
    WithSampleType(type, [&](auto tag) {
        using T = decltype(tag);
        // Copied first: the bytes hold no objects of T, and the loop then vectorises.
        static thread_local std::vector<T> typed;
        typed.resize(static_cast<std::size_t>(n));
        if (n > 0) std::memcpy(typed.data(), bytes, static_cast<std::size_t>(n) * sizeof(T));
        for (int64_t i = 0; i < n; ++i)
            out[i] = static_cast<double>(typed[static_cast<std::size_t>(i)]) * gain + offset;
    });
}

MomentStatistics StatisticsOf(const Moments& m, bool isFloat, double gain, double offset) {
    MomentStatistics s;
    if (m.count <= 0) return s;
    const double n = static_cast<double>(m.count);
    double meanRaw, varRaw;
    if (isFloat) {
        // n x variance = sumSq - sum^2 / n, in double-double so that a large mean cancels exactly enough.
        DoubleDouble centred = m.fsumSq;
        centred.Add(Negate(Divide(Square(m.fsum), n)));
        meanRaw = Divide(m.fsum, n).Value();
        varRaw = std::max(centred.Value(), 0.0) / n;
    } else {
        // n^2 x variance = n x sumSq - sum^2, exact in 128 bits for blocks of 2^31 samples.
        const __int128 centred = static_cast<__int128>(m.count) * m.sumSq - m.sum * m.sum;
        meanRaw = static_cast<double>(m.sum) / n;
        varRaw = static_cast<double>(centred) / n / n;
    }
    const double a = m.min * gain + offset, b = m.max * gain + offset;
    s.min = std::min(a, b);
    s.max = std::max(a, b);
    s.pp = *s.max - *s.min;
    s.mean = meanRaw * gain + offset;
    s.acrms = std::fabs(gain) * std::sqrt(std::max(varRaw, 0.0));
    s.rms = std::hypot(*s.acrms, *s.mean);
    return s;
}

}  // namespace kivelo
