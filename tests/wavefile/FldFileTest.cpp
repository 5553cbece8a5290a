// Floating reader: scale choice, non-finite values, display envelope, short files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "GeneratedFile.h"
#include "wavefile/CFldFile.h"

namespace gen = kivelo::wavegen;
using kivelo::CFldFile;

namespace {

struct OpenedFld : kivelo::test::GeneratedFile<CFldFile> {
    explicit OpenedFld(const std::vector<float>& values, int trailing = 0)
        : GeneratedFile(
              "values.fld", [&](const std::string& p) { return gen::WriteFldValues(p, values, trailing); }, 0) {}
};

std::vector<int16_t> Envelope(CFldFile& f, int stepCode, int64_t pos, int64_t count, std::size_t dstBytes,
                              int* result = nullptr) {
    std::vector<uint8_t> buf(dstBytes);
    int64_t out = -1;
    const int r = f.ReadEnvelope(stepCode, 0, 0, pos, count, buf, out, kivelo::kWidthNative);
    if (result) *result = r;
    return kivelo::test::Int16s(buf, out);
}

}  // namespace

// Scale top and bottom: a range that touches the data is widened around the
// centre; flat data gets a tiny range around its value, zero a fixed one.
TEST(FldScale, ScaleChoice) {
    const struct {
        std::vector<float> values;
        float top, bottom;
    } cases[] = {
        {{-1.0f, 3.0f, 0.5f}, 3.5f, -1.5f},
        {{1.0f, 10.0f}, 16.0f, -4.0f},
        {std::vector<float>(50, 3.0f), 3.0005f, 2.9995f},
        {std::vector<float>(50, 0.0f), 5.0f, -5.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.values.front());
        OpenedFld f(c.values);
        ASSERT_EQ(f.openResult, -1);
        EXPECT_NEAR(f.file.GetScaleTop(), c.top, 1e-6);
        EXPECT_NEAR(f.file.GetScaleBottom(), c.bottom, 1e-6);
    }
    OpenedFld f({-1.0f, 3.0f, 0.5f});
    kivelo::TraceInfo info;
    ASSERT_EQ(f.file.GetTraceInfo(0, info), -1);
    EXPECT_DOUBLE_EQ(info.VResolution, 7.8125e-5);
    EXPECT_DOUBLE_EQ(info.VOffset, 1.0);
    EXPECT_EQ(Envelope(f.file, 512, 0, 3, 64), (std::vector<int16_t>{-25600, 25600, -6400}));
}

TEST(FldScale, NonFiniteValuesAreSkippedAndExtremesStayUsable) {
    const float inf = std::numeric_limits<float>::infinity();
    OpenedFld f({1.0f, std::nanf(""), inf, -inf, 2.0f});
    EXPECT_EQ(f.file.GetSampleCount(), 5);
    EXPECT_EQ(f.file.GetDataMaximum(), 2.0f);
    EXPECT_EQ(f.file.GetDataMinimum(), 1.0f);
    // NaN shows at the centre, infinities at the clipped ends.
    EXPECT_EQ(Envelope(f.file, 512, 0, 5, 64), (std::vector<int16_t>{-12800, 0, 32767, -32768, 19199}));

    OpenedFld wide({-3.0e38f, 3.0e38f});
    kivelo::TraceInfo info;
    wide.file.GetTraceInfo(0, info);
    EXPECT_TRUE(std::isfinite(info.VResolution));
    EXPECT_GT(info.VResolution, 0.0);
    EXPECT_EQ(wide.file.DisplaySample(3.0e38f), 32000);

    OpenedFld huge(std::vector<float>(4, 3.0e38f));
    huge.file.GetTraceInfo(0, info);
    EXPECT_GT(info.VResolution, 0.0);
    EXPECT_EQ(huge.file.DisplaySample(3.0e38f), 0);
}

TEST(FldFile, EmptyShortAndMissingFiles) {
    OpenedFld empty({});
    ASSERT_EQ(empty.openResult, -1);
    EXPECT_EQ(empty.file.GetBlockSize(), 0);
    int result = 0;
    EXPECT_TRUE(Envelope(empty.file, 1024, 0, 100, 400, &result).empty());
    EXPECT_EQ(result, -1);

    OpenedFld ten({1.5f, 2.5f}, 2);  // 10 bytes: the odd tail is no sample
    EXPECT_EQ(ten.file.GetBlockSize(), 2);

    CFldFile missing;
    EXPECT_EQ(missing.Open(ten.dir.File("absent.fld"), 0), 0);
    EXPECT_FALSE(missing.IsOpen());
}

TEST(FldEnvelope, PairsFollowTheLastNewExtreme) {
    OpenedFld f({1, 5, 3, 2, 5, 1, 3, 4});
    const int16_t lo = f.file.DisplaySample(1.0f), hi = f.file.DisplaySample(5.0f);
    EXPECT_EQ(Envelope(f.file, 1024, 0, 8, 64), (std::vector<int16_t>{lo, hi, hi, lo}));
}

// The output stays within the pair limit and the destination, however long the file.
TEST(FldEnvelope, OutputIsBoundedByTheLimitAndTheDestination) {
    kivelo::TempDir dir;
    gen::FldDesc desc;
    desc.samples = 100000;
    ASSERT_TRUE(gen::WriteFld(dir.File("long.fld"), desc));
    CFldFile f;
    ASSERT_EQ(f.Open(dir.File("long.fld"), 0), -1);
    EXPECT_EQ(Envelope(f, 512, 0, 100000, 100000 * 2).size(), 2048u);
    EXPECT_EQ(Envelope(f, 512, 0, 100000, 11).size(), 5u);
    // A step of 20,000 samples per pair: one group per chunk.
    const auto coarse = Envelope(f, 20000 * 256, 0, 100000, 64);
    ASSERT_EQ(coarse.size(), 10u);
    float lo = desc.signal.floatScale, hi = -lo;
    for (int64_t i = 0; i < 20000; ++i) {
        lo = std::min(lo, gen::FldSample(desc, i));
        hi = std::max(hi, gen::FldSample(desc, i));
    }
    EXPECT_EQ(std::min(coarse[0], coarse[1]), f.DisplaySample(lo));
    EXPECT_EQ(std::max(coarse[0], coarse[1]), f.DisplaySample(hi));
    int result = 0;
    EXPECT_TRUE(Envelope(f, 100, 0, 10, 64, &result).empty());  // less than one sample per pair
    EXPECT_EQ(result, 0);
}
