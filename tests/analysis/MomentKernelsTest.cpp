// The vectorised moments against a plain computation, on every instruction set
// this processor runs: every sample type, random data and runs of the extremes
// (whose squares overflow 32-bit pair sums), odd lengths and misaligned starts;
// and summaries built on several threads against one.
#include <gtest/gtest.h>
#include <hwy/highway.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "AnalysisRecords.h"
#include "analysis/MomentKernels.h"
#include "analysis/MomentsSummary.h"
#include "analysis/SampleSource.h"

namespace kivelo {
namespace {

enum class Fill { Random, Lowest, Highest, Alternating };

struct TypeInfo {
    SampleType type;
    const char* token;  // VDataType
    int width;
    int64_t lo, hi;  // stored range
};
constexpr TypeInfo kTypes[] = {
    {SampleType::Int8, "IS1", 1, INT8_MIN, INT8_MAX},
    {SampleType::UInt8, "IU1", 1, 0, UINT8_MAX},
    {SampleType::Int16, "IS2", 2, INT16_MIN, INT16_MAX},
    {SampleType::UInt16, "IU2", 2, 0, UINT16_MAX},
    {SampleType::Int32, "IS4", 4, INT32_MIN, INT32_MAX},
    {SampleType::UInt32, "IU4", 4, 0, UINT32_MAX},
    {SampleType::Float32, "FS4", 4, 0, 0},
};

// Stored values of a type; floats as bit patterns, with NaNs, infinities and signed zeros.
std::vector<int64_t> Values(const TypeInfo& t, Fill fill, int64_t n, std::mt19937_64& rng) {
    std::vector<int64_t> v(static_cast<std::size_t>(n));
    for (int64_t i = 0; i < n; ++i) {
        int64_t& x = v[static_cast<std::size_t>(i)];
        if (t.type == SampleType::Float32) {
            float f = std::normal_distribution<float>(fill == Fill::Random ? 0.0f : 3e4f, 1e3f)(rng);
            const int64_t k = static_cast<int64_t>(rng() % 50);
            if (k == 0) f = std::numeric_limits<float>::quiet_NaN();
            if (k == 1) f = -std::numeric_limits<float>::infinity();
            if (k == 2) f = -0.0f;
            if (k == 3) f = std::numeric_limits<float>::max();
            x = test::FloatBits(f);
            continue;
        }
        switch (fill) {
        case Fill::Random: x = std::uniform_int_distribution<int64_t>(t.lo, t.hi)(rng); break;
        case Fill::Lowest: x = t.lo; break;
        case Fill::Highest: x = t.hi; break;
        case Fill::Alternating: x = i % 3 == 2 ? t.hi : t.lo; break;
        }
    }
    return v;
}

std::vector<uint8_t> Bytes(const TypeInfo& t, const std::vector<int64_t>& values, int misalign) {
    std::vector<uint8_t> b(values.size() * static_cast<std::size_t>(t.width) + static_cast<std::size_t>(misalign));
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto u = static_cast<uint64_t>(values[i]);
        std::memcpy(b.data() + misalign + i * static_cast<std::size_t>(t.width), &u, static_cast<std::size_t>(t.width));
    }
    return b;
}

// Integer moments one value at a time in 128 bits.
Moments PlainMoments(const std::vector<int64_t>& v, std::size_t from, std::size_t to) {
    Moments m;
    m.count = static_cast<int64_t>(to - from);
    for (std::size_t i = from; i < to; ++i) {
        m.min = std::min(m.min, static_cast<double>(v[i]));
        m.max = std::max(m.max, static_cast<double>(v[i]));
        m.sum += v[i];
        m.sumSq += static_cast<__int128>(v[i]) * v[i];
    }
    return m;
}

bool Same(double a, double b) { return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b); }

void ExpectSame(const Moments& got, const Moments& want, const std::string& what) {
    EXPECT_EQ(got.count, want.count) << what;
    EXPECT_EQ(got.nan, want.nan) << what;
    EXPECT_TRUE(Same(got.min, want.min) && Same(got.max, want.max)) << what << " min/max";
    EXPECT_TRUE(got.sum == want.sum && got.sumSq == want.sumSq) << what << " integer sums";
    EXPECT_TRUE(Same(got.fsum.hi, want.fsum.hi) && Same(got.fsum.lo, want.fsum.lo)) << what << " float sum";
    EXPECT_TRUE(Same(got.fsumSq.hi, want.fsumSq.hi) && Same(got.fsumSq.lo, want.fsumSq.lo)) << what << " squares";
}

// Runs of 4096 (and of 5, shorter than some vectors) and whole spans: integers
// against the plain sums, float runs (one per lane) against the scalar rule.
TEST(MomentKernels, VectorisedMatchesPlainOnEveryInstructionSet) {
    const std::vector<int64_t> targets = hwy::SupportedAndGeneratedTargets();
    ASSERT_FALSE(targets.empty());
    const int64_t lengths[] = {1, 31, 4095, 3 * 4096 + 17, 70001};
    for (const int64_t target : targets) {
        hwy::SetSupportedTargetsForTest(target);
        SCOPED_TRACE(hwy::TargetName(target));
        std::mt19937_64 rng(static_cast<uint64_t>(target));
        for (const TypeInfo& t : kTypes)
            for (const Fill fill : {Fill::Random, Fill::Lowest, Fill::Highest, Fill::Alternating})
                for (const int64_t n : lengths)
                    for (const int misalign : {0, 1}) {
                        const std::string what = std::string(t.token) + " fill " +
                                                 std::to_string(static_cast<int>(fill)) + " n " + std::to_string(n) +
                                                 " +" + std::to_string(misalign);
                        const std::vector<int64_t> values = Values(t, fill, n, rng);
                        const std::vector<uint8_t> bytes = Bytes(t, values, misalign);
                        const uint8_t* at = bytes.data() + misalign;
                        for (const int64_t run : {int64_t{4096}, int64_t{5}}) {
                            std::vector<Moments> runs(static_cast<std::size_t>((n + run - 1) / run));
                            RunMoments(t.type, at, n, run, runs.data());
                            for (std::size_t r = 0; r < runs.size(); ++r) {
                                const auto from = static_cast<std::size_t>(r * run);
                                const auto to = std::min(values.size(), from + static_cast<std::size_t>(run));
                                const Moments want =
                                    t.type == SampleType::Float32
                                        ? MomentsOf(t.type, at + from * 4, static_cast<int64_t>(to - from))
                                        : PlainMoments(values, from, to);
                                ExpectSame(runs[r], want,
                                           what + " run " + std::to_string(r) + " of " + std::to_string(run));
                            }
                        }
                        if (t.type != SampleType::Float32)
                            ExpectSame(MomentsOf(t.type, at, n), PlainMoments(values, 0, values.size()), what);
                        if (HasFailure()) return hwy::SetSupportedTargetsForTest(0);
                    }
    }
    hwy::SetSupportedTargetsForTest(0);
}

// A record long enough for several stretches: built on 3 threads, every span's
// moments are those of the summary built on one.
TEST(MomentKernels, SummaryOnSeveralThreadsMatchesOne) {
    const int64_t n = 20 * (int64_t{1} << 16) + 4097;
    std::mt19937_64 rng(7);
    TempDir dir;
    for (const char* token : {"IS2", "FS4"}) {
        const TypeInfo& t = *std::find_if(std::begin(kTypes), std::end(kTypes),
                                          [&](const TypeInfo& i) { return std::string(i.token) == token; });
        test::TraceSamples trace;
        trace.type = token;
        trace.raw = Values(t, Fill::Random, n, rng);
        CWaveFile file;
        ASSERT_EQ(file.Open(test::WriteSamplesRecord(dir, std::string(token) + ".wvf", {trace}), 0), kOpenOk);
        SampleSource source;
        std::string error;
        ASSERT_TRUE(source.Open(file, 0, 0, error)) << error;
        MomentsSummary one, three;
        ASSERT_TRUE(one.Build(source, error, nullptr, 1)) << error;
        ASSERT_TRUE(three.Build(source, error, nullptr, 3)) << error;
        for (const auto& [first, count] : {std::pair<int64_t, int64_t>{0, n}, {4095, n - 5000}, {300000, 4096 * 70}}) {
            Moments a, b;
            ASSERT_TRUE(one.Query(source, first, count, a, error)) << error;
            ASSERT_TRUE(three.Query(source, first, count, b, error)) << error;
            ExpectSame(b, a, std::string(token) + " span " + std::to_string(first));
        }
    }
}

}  // namespace
}  // namespace kivelo
