// Sample types and signals: decoding, ranges, determinism, fast fills equal to the formula.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "Wavegen.h"

using namespace kivelo::wavegen;

TEST(SampleTypes, TokensDecodeToWidthAndKind) {
    struct Case { const char* token; int width; TypeKind kind; };
    for (const Case& c : {Case{"IS1", 1, TypeKind::Signed}, Case{"IU1", 1, TypeKind::Unsigned},
                          Case{"IS2", 2, TypeKind::Signed}, Case{"IU2", 2, TypeKind::Unsigned},
                          Case{"IS4", 4, TypeKind::Signed}, Case{"IU4", 4, TypeKind::Unsigned},
                          Case{"FS4", 4, TypeKind::Float}, Case{"B8", 1, TypeKind::Bit},
                          Case{"B12", 2, TypeKind::Bit}, Case{"B16", 2, TypeKind::Bit},
                          Case{"XX2", 2, TypeKind::Unknown}, Case{"XX", 2, TypeKind::Unknown}}) {
        const SampleType t = ParseSampleType(c.token);
        EXPECT_EQ(t.width, c.width) << c.token;
        EXPECT_EQ(t.kind, c.kind) << c.token;
    }
}

TEST(SampleTypes, EncodeDecodeBothByteOrders) {
    uint8_t b[4];
    EncodeSample(0x0102, 2, true, b);
    EXPECT_EQ(b[0], 0x01);
    EXPECT_EQ(DecodeSample(b, ParseSampleType("IS2"), true), 0x0102);
    EncodeSample(static_cast<uint64_t>(-2), 2, false, b);
    EXPECT_EQ(DecodeSample(b, ParseSampleType("IS2"), false), -2);
    EXPECT_EQ(DecodeSample(b, ParseSampleType("IU2"), false), 0xFFFE);
}

TEST(Signals, ValuesStayInTheTypeRange) {
    for (const char* token : {"IS1", "IU1", "IS2", "IU2", "IS4", "IU4", "B8", "B16"}) {
        const SampleType t = ParseSampleType(token);
        const double bits = 8.0 * t.width;
        for (Signal k : {Signal::Sine, Signal::Step, Signal::Ramp, Signal::Noise, Signal::Logic}) {
            SignalDesc s;
            s.kind = k;
            s.amplitude = 1.0;
            s.period = 64;
            for (int64_t i = -100; i < 100; ++i) {
                const auto v = static_cast<double>(RawSample(s, t, 1, 0, i));
                if (t.kind == TypeKind::Signed) {
                    ASSERT_GE(v, -std::exp2(bits - 1)) << token;
                    ASSERT_LT(v, std::exp2(bits - 1)) << token;
                } else {
                    ASSERT_GE(v, 0.0) << token;
                    ASSERT_LT(v, std::exp2(bits)) << token;
                }
            }
        }
    }
}

TEST(Signals, CounterIdentifiesChannelAndIndex) {
    SignalDesc s;
    s.kind = Signal::Counter;
    const SampleType t = ParseSampleType("IS2");
    EXPECT_EQ(RawSample(s, t, 3, 0, 5), 3 * 4096 + 5);
    EXPECT_EQ(RawSample(s, t, 0, 0, 4096), 0);  // the index wraps inside its bits
    EXPECT_EQ(RawSample(s, ParseSampleType("IU1"), 2, 0, 7), 2 * 16 + 7);
}

TEST(Signals, FloatSamplesStoreTheirBitPattern) {
    SignalDesc s;
    const SampleType t = ParseSampleType("FS4");
    for (int64_t i = 0; i < 50; ++i) {
        EXPECT_EQ(static_cast<uint32_t>(RawSample(s, t, 0, 1, i)), std::bit_cast<uint32_t>(FloatSample(s, 0, 1, i)));
    }
}

TEST(Signals, NoiseIsDeterministicPerSeed) {
    SignalDesc a, b;
    a.kind = b.kind = Signal::Noise;
    b.seed = 2;
    const SampleType t = ParseSampleType("IS2");
    int differ = 0;
    for (int64_t i = 0; i < 100; ++i) {
        ASSERT_EQ(RawSample(a, t, 0, 0, i), RawSample(a, t, 0, 0, i));
        differ += RawSample(a, t, 0, 0, i) != RawSample(b, t, 0, 0, i);
    }
    EXPECT_GT(differ, 90);
}

TEST(Signals, FastFillMatchesTheFormulaEverywhere) {
    for (Signal k : {Signal::Sine, Signal::Step, Signal::Ramp, Signal::Noise, Signal::Logic, Signal::Counter}) {
        SignalDesc s;
        s.kind = k;
        s.period = 37;
        const SampleType t = ParseSampleType("IS2");
        const SignalSource src(s, t, 2, 1, true);
        std::vector<uint8_t> bytes(2 * 300);
        src.Fill(-150, 300, bytes.data());
        for (int64_t i = 0; i < 300; ++i) {
            ASSERT_EQ(DecodeSample(&bytes[static_cast<std::size_t>(2 * i)], t, true), RawSample(s, t, 2, 1, i - 150))
                << SignalName(k) << " " << i;
        }
    }
}

TEST(Signals, NamesRoundTrip) {
    for (Signal k : {Signal::Sine, Signal::Step, Signal::Ramp, Signal::Noise, Signal::Logic, Signal::Counter}) {
        EXPECT_EQ(ParseSignal(SignalName(k)), k);
    }
    EXPECT_FALSE(ParseSignal("square"));
}
