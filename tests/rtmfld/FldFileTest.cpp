// Floating reader: value range scan, scale choice, display samples, texts and fixed answers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "CFldFile.h"
#include "Wavegen.h"

namespace gen = kivelo::wavegen;
using kivelo::CFldFile;

namespace {

struct OpenedFld {
    gen::TempDir dir;
    std::string path;
    CFldFile file;
    int openResult = 0;

    explicit OpenedFld(const std::vector<float>& values, int trailing = 0) {
        path = dir.File("values.fld");
        EXPECT_TRUE(gen::WriteFldValues(path, values, trailing));
        openResult = file.Open(path, 0);
    }
};

std::vector<int16_t> Envelope(CFldFile& f, int stepCode, int64_t pos, int64_t count, std::size_t dstBytes,
                              int* result = nullptr) {
    std::vector<uint8_t> buf(dstBytes);
    int64_t out = -1;
    const int r = f.ReadEnvelope(stepCode, 0, pos, count, buf, out, kivelo::kWidthNative);
    if (result) *result = r;
    std::vector<int16_t> v(static_cast<std::size_t>(std::max<int64_t>(out, 0)));
    if (!v.empty()) std::memcpy(v.data(), buf.data(), v.size() * 2);
    return v;
}

std::vector<std::string> Texts(CFldFile& f, int64_t pos, int64_t count) {
    std::vector<kivelo::ValueText> texts(static_cast<std::size_t>(count));
    int64_t out = 0;
    EXPECT_EQ(f.ReadText(pos, count, texts, out), -1);
    std::vector<std::string> v;
    for (int64_t i = 0; i < out; ++i) v.emplace_back(texts[static_cast<std::size_t>(i)].data());
    return v;
}

}  // namespace

TEST(FldScale, ThreeValuesGiveStepOneHalfAroundTheCentre) {
    OpenedFld f({-1.0f, 3.0f, 0.5f});
    ASSERT_EQ(f.openResult, -1);
    EXPECT_EQ(f.file.GetDataMaximum(), 3.0f);
    EXPECT_EQ(f.file.GetDataMinimum(), -1.0f);
    EXPECT_EQ(f.file.GetScaleTop(), 3.5f);
    EXPECT_EQ(f.file.GetScaleBottom(), -1.5f);
    kivelo::TraceInfo info;
    ASSERT_EQ(f.file.GetTraceInfo(0, info), -1);
    EXPECT_DOUBLE_EQ(info.VResolution, 7.8125e-5);
    EXPECT_DOUBLE_EQ(info.VOffset, 1.0);
    EXPECT_EQ(f.file.DisplaySample(3.0f), 25600);
    EXPECT_EQ(Envelope(f.file, 512, 0, 3, 64), (std::vector<int16_t>{-25600, 25600, -6400}));
}

TEST(FldScale, RangeTouchingTheDataIsWidenedAroundTheCentre) {
    // Step 1 puts the bottom on the minimum itself; step 2 keeps the range around the data.
    OpenedFld f({1.0f, 10.0f});
    EXPECT_EQ(f.file.GetScaleTop(), 16.0f);
    EXPECT_EQ(f.file.GetScaleBottom(), -4.0f);
}

TEST(FldScale, FlatDataGetsATinyRangeAroundItsValue) {
    OpenedFld f(std::vector<float>(50, 3.0f));
    EXPECT_NEAR(f.file.GetScaleTop(), 3.0005f, 1e-6);
    EXPECT_NEAR(f.file.GetScaleBottom(), 2.9995f, 1e-6);
    OpenedFld z(std::vector<float>(50, 0.0f));
    EXPECT_EQ(z.file.GetScaleTop(), 5.0f);
    EXPECT_EQ(z.file.GetScaleBottom(), -5.0f);
}

TEST(FldScale, RangeCoversTheDataForManyRanges) {
    gen::SignalDesc noise;
    noise.kind = gen::Signal::Noise;
    for (int64_t i = 0; i < 120; ++i) {
        const float a = gen::FloatSample(noise, 1, 0, i) * 1000.0f;
        const float b = a + std::fabs(gen::FloatSample(noise, 2, 0, i)) * std::pow(10.0f, static_cast<float>(i % 9 - 4));
        OpenedFld f({a, b, (a + b) / 2});
        const float top = f.file.GetScaleTop(), bottom = f.file.GetScaleBottom();
        ASSERT_GE(top, f.file.GetDataMaximum()) << a << " " << b;
        ASSERT_LE(bottom, f.file.GetDataMinimum()) << a << " " << b;
        ASSERT_GT(top, bottom);
    }
}

TEST(FldScale, NonFiniteValuesAreSkippedAndExtremesStayUsable) {
    const float inf = std::numeric_limits<float>::infinity();
    OpenedFld f({1.0f, std::nanf(""), inf, -inf, 2.0f});
    EXPECT_EQ(f.file.GetSampleCount(), 5);
    EXPECT_EQ(f.file.GetDataMaximum(), 2.0f);
    EXPECT_EQ(f.file.GetDataMinimum(), 1.0f);
    const auto env = Envelope(f.file, 512, 0, 5, 64);
    ASSERT_EQ(env.size(), 5u);
    EXPECT_EQ(env[1], 0);  // NaN shows at the centre
    EXPECT_EQ(env[2], 32767);
    EXPECT_EQ(env[3], -32768);

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

TEST(FldFile, EmptyAndShortFiles) {
    OpenedFld empty({});
    ASSERT_EQ(empty.openResult, -1);
    EXPECT_EQ(empty.file.GetBlockSize(), 0);
    EXPECT_TRUE(Texts(empty.file, 0, 5).empty());
    int result = 0;
    EXPECT_TRUE(Envelope(empty.file, 1024, 0, 100, 400, &result).empty());
    EXPECT_EQ(result, -1);

    OpenedFld ten({1.5f, 2.5f}, 2);  // 10 bytes
    EXPECT_EQ(gen::ReadFileBytes(ten.path).size(), 10u);
    EXPECT_EQ(ten.file.GetBlockSize(), 2);
    EXPECT_EQ(Texts(ten.file, 0, 5), (std::vector<std::string>{"1.5", "2.5"}));

    CFldFile missing;
    EXPECT_EQ(missing.Open(ten.dir.File("absent.fld"), 0), 0);
    EXPECT_FALSE(missing.IsOpen());
}

TEST(FldFile, FixedAnswers) {
    OpenedFld f({1.0f, 2.0f});
    std::string model;
    EXPECT_EQ(f.file.GetModel(model), -1);
    EXPECT_EQ(model, "QV_FLOAT");
    EXPECT_EQ(f.file.GetTraceTotalNumber(), 1);
    EXPECT_EQ(f.file.GetBlockNumber(), 1);
    EXPECT_EQ(f.file.GetChannelMask(), 1u);
    kivelo::TraceInfo info;
    info.channel = 77;
    info.VUnit = "V";
    ASSERT_EQ(f.file.GetTraceInfo(0, info), -1);
    EXPECT_EQ(info.TraceName, "FLOAT");
    EXPECT_EQ(info.DataWidth, 2);
    EXPECT_EQ(info.DataKind, 0);
    EXPECT_EQ(info.VUnit, "");
    EXPECT_EQ(info.channel, 77);
    kivelo::HorzInfo horz;
    ASSERT_EQ(f.file.GetHorzInfo(horz), -1);
    EXPECT_EQ(horz.HResolution, 1.0);
    EXPECT_EQ(horz.HOffset, 0.0);
}

TEST(FldFile, DateAndTimeComeFromTheFileTime) {
    OpenedFld f({1.0f});
    struct stat st {};
    ASSERT_EQ(::stat(f.path.c_str(), &st), 0);
    std::tm tm {};
    const std::time_t t = st.st_mtime;
    localtime_r(&t, &tm);
    char date[32], time[32];
    std::snprintf(date, sizeof date, "%02d/%02d/%02d", tm.tm_year % 100, tm.tm_mon + 1, tm.tm_mday);
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    std::string d, h;
    EXPECT_EQ(f.file.GetDateTime(5, d, h), -1);
    EXPECT_EQ(d, date);
    EXPECT_EQ(h, time);
}

TEST(FldFile, TextsUseSevenSignificantDigits) {
    OpenedFld f({0.0f, 5.0f, -0.25f, 1234567.0f, 0.05f});
    EXPECT_EQ(Texts(f.file, 0, 5), (std::vector<std::string>{"0.", "5.", "-0.25", "1234567", "5.e-002"}));
    EXPECT_EQ(Texts(f.file, 3, 10).size(), 2u);
}

TEST(FldEnvelope, PairsFollowTheLastNewExtreme) {
    OpenedFld f({1, 5, 3, 2, 5, 1, 3, 4});
    const auto env = Envelope(f.file, 1024, 0, 8, 64);
    ASSERT_EQ(env.size(), 4u);
    EXPECT_EQ(env[0], f.file.DisplaySample(1.0f));
    EXPECT_EQ(env[1], f.file.DisplaySample(5.0f));
    EXPECT_EQ(env[2], f.file.DisplaySample(5.0f));
    EXPECT_EQ(env[3], f.file.DisplaySample(1.0f));
}

TEST(FldEnvelope, OutputIsBoundedByTheLimitAndTheDestination) {
    gen::TempDir dir;
    gen::FldDesc desc;
    desc.samples = 100000;
    ASSERT_TRUE(gen::WriteFld(dir.File("long.fld"), desc));
    CFldFile f;
    ASSERT_EQ(f.Open(dir.File("long.fld"), 0), -1);
    EXPECT_EQ(f.GetBlockSize(), 100000);
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

TEST(FldFile, ReopenClosesThePreviousFile) {
    OpenedFld f({1.0f, 2.0f, 3.0f});
    gen::TempDir dir;
    ASSERT_TRUE(gen::WriteFldValues(dir.File("b.fld"), std::vector<float>{7.0f}));
    EXPECT_EQ(f.file.Open(dir.File("b.fld"), 0), -1);
    EXPECT_EQ(f.file.GetBlockSize(), 1);
    EXPECT_EQ(f.file.Close(), -1);
    EXPECT_FALSE(f.file.IsOpen());
    std::vector<kivelo::ValueText> texts(1);
    int64_t out = 0;
    EXPECT_EQ(f.file.ReadText(0, 1, texts, out), 0);
}
