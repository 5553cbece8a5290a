// What the reader tests and the CLI goldens do not already pin down about the
// generator: every signal on every sample type (the goldens and reader tests
// use only some), seeded noise, and the demo set.
#include <gtest/gtest.h>

#include <cmath>

#include "Wavegen.h"

using namespace kivelo::wavegen;

// The writers fill through SignalSource, the tests expect RawSample: the two
// must agree sample for sample, stay inside the type's range (no wrap-around
// that a reader would then be blamed for) and repeat run after run.
TEST(Signals, FastFillEqualsTheFormulaWithinTheTypeRange) {
    for (const char* token : {"IS1", "IU1", "IS2", "IU2", "IS4", "IU4", "B8", "B16"}) {
        const SampleType t = ParseSampleType(token);
        const double bits = 8.0 * t.width;
        const double lo = t.kind == TypeKind::Signed ? -std::exp2(bits - 1) : 0.0;
        const double hi = t.kind == TypeKind::Signed ? std::exp2(bits - 1) : std::exp2(bits);
        for (Signal k : {Signal::Sine, Signal::Step, Signal::Ramp, Signal::Noise, Signal::Logic, Signal::Counter}) {
            SCOPED_TRACE(std::string(token) + " " + SignalName(k));
            SignalDesc s;
            s.kind = k;
            s.amplitude = 1.0;
            s.period = 37;
            for (bool big : {false, true}) {
                const SignalSource src(s, t, 2, 1, big);
                std::vector<uint8_t> bytes(static_cast<std::size_t>(t.width) * 300);
                src.Fill(-150, 300, bytes.data());
                for (int64_t i = 0; i < 300; ++i) {
                    const int64_t v = RawSample(s, t, 2, 1, i - 150);
                    ASSERT_EQ(DecodeSample(&bytes[static_cast<std::size_t>(t.width * i)], t, big), v) << i;
                    ASSERT_GE(static_cast<double>(v), lo);
                    ASSERT_LT(static_cast<double>(v), hi);
                }
            }
        }
    }
    // Noise is fixed by its seed, and another seed gives other values.
    SignalDesc a, b;
    a.kind = b.kind = Signal::Noise;
    b.seed = 2;
    const SampleType t = ParseSampleType("IS2");
    int differ = 0;
    for (int64_t i = 0; i < 100; ++i) {
        ASSERT_EQ(RawSample(a, t, 0, 0, i), RawSample(SignalDesc(a), t, 0, 0, i));
        differ += RawSample(a, t, 0, 0, i) != RawSample(b, t, 0, 0, i);
    }
    EXPECT_GT(differ, 90);
}

TEST(Writers, DemoSetAndUnwritableTarget) {
    kivelo::TempDir dir;
    ASSERT_TRUE(WriteDemoSet(dir.Path()));
    for (const char* name :
         {"demo_wave.wvf", "demo_wave.hdr", "demo_realtime.rtm", "demo_realtime.hdr", "demo_float.fld"})
        EXPECT_FALSE(ReadFileBytes(dir.File(name)).empty()) << name;

    WvfDesc s;
    s.traces = MakeTraces(1, "IS2", Signal::Sine);
    const Result r = WriteWvf("/nonexistent-dir/x.wvf", s);
    EXPECT_FALSE(r);
    EXPECT_FALSE(r.error.empty());
}
