// The measurement engine against direct computations and known signals.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <random>

#include "AnalysisRecords.h"
#include "analysis/Measurement.h"
#include "analysis/MomentsCache.h"
#include "analysis/SampleSource.h"
#include "wavefile/CFldFile.h"
#include "wavefile/CRtmFile.h"
#include "wavefile/WaveDocument.h"

namespace kivelo {
namespace {

using test::TraceSamples;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Direct {
    double min = kNaN, max = kNaN, mean = kNaN, rms = kNaN, acrms = kNaN;
    int64_t nan = 0;
};

// Two passes in long double over the physical values of the span.
Direct DirectMoments(const TraceSamples& t, int64_t first, int64_t count) {
    Direct d;
    long double sum = 0, sumSq = 0;
    int64_t n = 0;
    for (int64_t i = first; i < first + count; ++i) {
        const double x = test::Physical(t, t.raw[static_cast<std::size_t>(i)]);
        if (!std::isfinite(x)) {
            ++d.nan;
            continue;
        }
        d.min = n == 0 ? x : std::min(d.min, x);
        d.max = n == 0 ? x : std::max(d.max, x);
        sum += x;
        sumSq += static_cast<long double>(x) * x;
        ++n;
    }
    if (n == 0) return d;
    const long double mean = sum / n;
    long double dev = 0;
    for (int64_t i = first; i < first + count; ++i) {
        const double x = test::Physical(t, t.raw[static_cast<std::size_t>(i)]);
        if (std::isfinite(x)) dev += (x - mean) * (x - mean);
    }
    d.mean = static_cast<double>(mean);
    d.rms = static_cast<double>(std::sqrt(sumSq / n));
    d.acrms = static_cast<double>(std::sqrt(dev / n));
    return d;
}

void ExpectNear(const std::optional<double>& got, double want, double relative, const std::string& what) {
    ASSERT_TRUE(got.has_value()) << what;
    EXPECT_NEAR(*got, want, relative * std::max(std::fabs(want), 1e-300)) << what;
}

// Random stored values of a type, a few of them not finite for floats.
TraceSamples RandomTrace(const std::string& type, int64_t n, std::mt19937_64& rng) {
    TraceSamples t;
    t.type = type;
    const wavegen::SampleType st = wavegen::ParseSampleType(type);
    t.raw.resize(static_cast<std::size_t>(n));
    if (st.kind == wavegen::TypeKind::Float) {
        std::normal_distribution<float> value(250.0f, 3.0f);  // a large mean over a small spread
        for (int64_t i = 0; i < n; ++i) {
            float f = value(rng);
            if (i % 997 == 13) f = std::numeric_limits<float>::quiet_NaN();
            if (i % 4999 == 7) f = -std::numeric_limits<float>::infinity();
            t.raw[static_cast<std::size_t>(i)] = test::FloatBits(f);
        }
        return t;
    }
    const int bits = 8 * st.width;
    const bool isSigned = st.kind == wavegen::TypeKind::Signed;
    const int64_t lo = isSigned ? -(int64_t{1} << (bits - 1)) : 0;
    const int64_t hi = isSigned ? (int64_t{1} << (bits - 1)) - 1 : (int64_t{1} << bits) - 1;
    std::uniform_int_distribution<int64_t> value(lo, hi);
    for (auto& v : t.raw) v = value(rng);
    t.vResolution = 1.25e-4;
    t.vOffset = -0.5;
    return t;
}

// Every kind and width, over spans inside one summary run, across many, at the
// record's ends; answered from the span's samples and from the record's summary.
TEST(MeasurementEngine, MomentsMatchDirectComputation) {
    const int64_t n = 3 * 4096 * 64 + 1234;
    std::mt19937_64 rng(20261207);
    struct Span {
        int64_t first, count;
    };
    const Span spans[] = {
        {0, n},     {5000, 100},      {4096, 4096}, {123, n - 1000}, {4096 * 64, 4096 * 64 * 2},
        {n - 1, 1}, {n - 5000, 5000}, {77, 300000},
    };
    TempDir dir;
    // One file per type: the layouts place every trace of a file at the same width.
    for (const char* type : {"IS1", "IU1", "IS2", "IU2", "IS4", "IU4", "FS4"}) {
        const TraceSamples trace = RandomTrace(type, n, rng);
        CWaveFile file;
        ASSERT_EQ(file.Open(test::WriteSamplesRecord(dir, std::string(type) + ".wvf", {trace}), 0), kOpenOk);
        for (bool summarised : {false, true}) {
            MomentsCache cache;
            MeasureOptions options;
            options.cache = &cache;
            options.crossings = false;
            TraceMeasurement m;
            std::string error;
            if (summarised) {
                // Kept in the cache, the summary answers every span.
                SampleSource source;
                ASSERT_TRUE(source.Open(file, 0, 0, error)) << error;
                ASSERT_NE(cache.Get(source, error), nullptr) << error;
            }
            for (const Span& s : spans) {
                const std::string what = std::string(type) + " span " + std::to_string(s.first) + "+" +
                                         std::to_string(s.count) + (summarised ? " summary" : " samples");
                ASSERT_TRUE(MeasureTrace(file, 0, 0, s.first, s.count, m, error, options)) << what << error;
                const Direct d = DirectMoments(trace, s.first, s.count);
                EXPECT_EQ(m.nan, d.nan) << what;
                ExpectNear(m.min, d.min, 0, what + " min");
                ExpectNear(m.max, d.max, 0, what + " max");
                ExpectNear(m.pp, d.max - d.min, 1e-15, what + " pp");
                ExpectNear(m.mean, d.mean, 1e-14, what + " mean");
                ExpectNear(m.rms, d.rms, 1e-13, what + " rms");
                ExpectNear(m.acrms, d.acrms, 1e-10, what + " acrms");
            }
        }
    }
}

// Integer sums are exact: a tiny spread on a huge mean keeps its acrms.
TEST(MeasurementEngine, IntegerSumsAreExact) {
    TraceSamples t;
    t.type = "IS4";
    for (int64_t i = 0; i < 3'000'000; ++i) t.raw.push_back(2'000'000'000 + (i % 2 == 0 ? 1 : -1));
    TempDir dir;
    CWaveFile file;
    ASSERT_EQ(file.Open(test::WriteSamplesRecord(dir, "big.wvf", {t}), 0), kOpenOk);
    TraceMeasurement m;
    std::string error;
    ASSERT_TRUE(MeasureTrace(file, 0, 0, 0, 3'000'000, m, error)) << error;
    EXPECT_EQ(*m.mean, 2e9);
    EXPECT_EQ(*m.acrms, 1.0);
    EXPECT_EQ(*m.pp, 2.0);
}

struct SignalCase {
    const char* name;
    std::vector<double> values;  // physical, one period or the whole span
    int repeat;
    // Expected; NaN: undefined.
    double frequency, duty, rise, fall;
};

std::vector<double> Square(int period, int high, double lo, double hi) {
    std::vector<double> v(static_cast<std::size_t>(period), lo);
    for (int i = 0; i < high; ++i) v[static_cast<std::size_t>(i)] = hi;
    return v;
}

// Low, a linear rise over `rise` samples, high, a linear fall over `fall` samples.
std::vector<double> Trapezoid(int flat, int rise, int fall) {
    std::vector<double> v;
    for (int i = 0; i < flat; ++i) v.push_back(-2.0);
    for (int i = 0; i < rise; ++i) v.push_back(-2.0 + 5.0 * i / rise);
    for (int i = 0; i < flat; ++i) v.push_back(3.0);
    for (int i = 0; i < fall; ++i) v.push_back(3.0 - 5.0 * i / fall);
    return v;
}

// Known signals at 1 us per sample: frequencies, duty and 10-90 % times.
TEST(MeasurementEngine, CrossingMeasuresOfKnownSignals) {
    const double dt = 1e-6;
    const SignalCase cases[] = {
        {"square duty 0.3", Square(1000, 300, -1.0, 1.0), 50, 1e3, 0.3, 0.8 * dt, 0.8 * dt},
        {"trapezoid", Trapezoid(400, 50, 80), 40, 1.0 / (930 * dt), kNaN, 0.8 * 50 * dt, 0.8 * 80 * dt},
        {"dc", {1.5}, 1000, kNaN, kNaN, kNaN, kNaN},
        {"one edge", Square(2000, 1000, 2.0, 0.0), 1, kNaN, kNaN, 0.8 * dt, kNaN},
    };
    for (const SignalCase& c : cases) {
        TraceSamples t;
        t.type = "FS4";
        for (int r = 0; r < c.repeat; ++r)
            for (double v : c.values) t.raw.push_back(test::FloatBits(static_cast<float>(v)));
        TempDir dir;
        CWaveFile file;
        ASSERT_EQ(file.Open(test::WriteSamplesRecord(dir, "s.wvf", {t}, dt), 0), kOpenOk) << c.name;
        TraceMeasurement m;
        std::string error;
        ASSERT_TRUE(MeasureTrace(file, 0, 0, 0, static_cast<int64_t>(t.raw.size()), m, error)) << c.name << error;
        const auto expect = [&](const std::optional<double>& got, double want, const char* what) {
            if (std::isnan(want)) {
                EXPECT_FALSE(got.has_value()) << c.name << " " << what;
            } else {
                ExpectNear(got, want, 1e-9, std::string(c.name) + " " + what);
            }
        };
        expect(m.frequency, c.frequency, "frequency");
        expect(m.period, std::isnan(c.frequency) ? kNaN : 1.0 / c.frequency, "period");
        if (!std::isnan(c.duty)) expect(m.duty, c.duty, "duty");
        expect(m.rise, c.rise, "rise");
        expect(m.fall, c.fall, "fall");
    }
}

// A sine of 1 V peak in 16-bit samples: frequency to 1e-6, rms A / sqrt 2.
TEST(MeasurementEngine, SineFrequencyAndRms) {
    TraceSamples t;
    t.vResolution = 1.0 / 30000;
    const double period = 250.0;
    for (int i = 0; i < 100'000; ++i) t.raw.push_back(std::lround(30000 * std::sin(2 * M_PI * i / period + 0.3)));
    TempDir dir;
    CWaveFile file;
    ASSERT_EQ(file.Open(test::WriteSamplesRecord(dir, "sine.wvf", {t}, 1e-6), 0), kOpenOk);
    TraceMeasurement m;
    std::string error;
    ASSERT_TRUE(MeasureTrace(file, 0, 0, 0, 100'000, m, error)) << error;
    ExpectNear(m.frequency, 1.0 / (period * 1e-6), 1e-6, "frequency");
    ExpectNear(m.rms, 1.0 / std::sqrt(2.0), 1e-5, "rms");
    ExpectNear(m.acrms, 1.0 / std::sqrt(2.0), 1e-5, "acrms");
    ExpectNear(m.duty, 0.5, 1e-4, "duty");
    EXPECT_NEAR(*m.mean, 0.0, 1e-6);
}

// Logic traces, floating files and realtime files; what cannot be measured says why.
TEST(MeasurementEngine, OtherFilesAndRefusals) {
    TempDir dir;
    ASSERT_TRUE(wavegen::WriteDemoSet(dir.Path()).ok);
    TraceSamples logic;
    logic.type = "B16";
    logic.raw = {1, 2, 3, 0xFFFF, 0};
    const std::string logicPath = test::WriteSamplesRecord(dir, "logic.wvf", {logic});
    CWaveFile wvf;
    ASSERT_EQ(wvf.Open(logicPath, 0), kOpenOk);
    TraceMeasurement m;
    std::string error;
    ASSERT_TRUE(MeasureTrace(wvf, 0, 0, 0, 5, m, error));
    for (const MeasurementField& f : MeasurementFields()) EXPECT_FALSE((m.*f.value).has_value()) << f.key;

    const std::vector<float> floats = {1.0f, NAN, -3.0f, 2.0f, INFINITY};
    ASSERT_TRUE(wavegen::WriteFldValues(dir.File("f.fld"), floats).ok);
    CFldFile fld;
    ASSERT_EQ(fld.Open(dir.File("f.fld"), 0), kOpenOk);
    ASSERT_TRUE(MeasureTrace(fld, 0, 0, 0, 5, m, error)) << error;
    EXPECT_EQ(m.nan, 2);
    EXPECT_EQ(*m.min, -3.0);
    EXPECT_EQ(*m.max, 2.0);
    EXPECT_EQ(*m.mean, 0.0);

    // A realtime record read from odd positions: the extremes of every span are those of its values.
    CRtmFile rtm;
    ASSERT_EQ(rtm.Open(dir.File("demo_realtime.rtm"), 0), kOpenOk);
    rtm.SetTrace(1);
    const int slot = rtm.GetFrameSlot();
    const int64_t size = rtm.GetBlockSize();
    ASSERT_GT(size, 10);
    std::vector<double> values(static_cast<std::size_t>(size));
    int64_t got = 0;
    ASSERT_EQ(rtm.ReadValues(0, 1, 0, size, values, got), kFileOk);
    for (int64_t first : {int64_t{0}, int64_t{1}, size / 3}) {
        const int64_t count = size - first - 1;
        ASSERT_TRUE(MeasureTrace(rtm, 0, 1, first, count, m, error)) << error;
        const auto span = std::span(values).subspan(static_cast<std::size_t>(first), static_cast<std::size_t>(count));
        EXPECT_DOUBLE_EQ(*m.min, *std::min_element(span.begin(), span.end())) << first;
        EXPECT_DOUBLE_EQ(*m.max, *std::max_element(span.begin(), span.end())) << first;
    }
    EXPECT_EQ(rtm.GetFrameSlot(), slot);  // the reader's selection is left as it was

    TraceSamples sine;
    sine.raw.assign(1000, 5);
    const std::string shortPath = test::WriteSamplesRecord(dir, "short.wvf", {sine});
    ::truncate(shortPath.c_str(), 1200);  // the header promises 2000 bytes
    CWaveFile cut;
    ASSERT_EQ(cut.Open(shortPath, 0), kOpenOk);
    const struct {
        int block, trace;
        int64_t first, count;
        const char* says;
    } refusals[] = {
        // Each refused span, trace and block is RecordSamples' test; one arrives here.
        {0, 0, 990, 11, "outside block 0"},
        {0, 0, 0, 1000, "ends before sample 600"},
    };
    for (const auto& r : refusals) {
        EXPECT_FALSE(MeasureTrace(cut, r.block, r.trace, r.first, r.count, m, error)) << r.says;
        EXPECT_NE(error.find(r.says), std::string::npos) << error;
    }

    std::atomic<bool> stop{true};
    MeasureOptions options;
    options.stop = &stop;
    EXPECT_FALSE(MeasureTrace(fld, 0, 0, 0, 5, m, error, options));
    EXPECT_EQ(error, "");
}

TEST(MeasurementEngine, JsonTexts) {
    MeasuredTrace t;
    t.label = "W2";
    t.name = "a\"b\\c\x01\xE9";
    t.unit = "\xC2\xB5V";
    t.kind = "float";
    t.values.min = 0.1;
    t.values.nan = 3;
    const std::string json = MeasuredTraceJson(t);
    const std::string head =
        "{\"trace\": \"W2\", \"name\": \"a\\\"b\\\\c\\u0001\\u00e9\", \"unit\": \"\xC2\xB5V\", \"kind\": \"float\", ";
    EXPECT_EQ(json.substr(0, head.size()), head);
    EXPECT_NE(json.find("\"min\": 0.10000000000000001, \"max\": null"), std::string::npos);
    EXPECT_NE(json.find("\"fall\": null, \"nan\": 3}"), std::string::npos);
}

}  // namespace
}  // namespace kivelo
