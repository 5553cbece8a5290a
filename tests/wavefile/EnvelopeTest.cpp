#include "WaveFileFixture.h"

#include <numeric>

namespace kivelo {
namespace {

using U = std::vector<uint32_t>;

class EnvelopeTest : public test::WaveFileFixture {
protected:
    // Opens one trace of the given type holding the samples (2-byte or 1-byte).
    void OpenTrace(const std::string& type, const std::vector<int>& samples) {
        std::string data = type.back() == '1' || type == "B8" ? test::Bytes8(samples)
                                                              : test::Bytes16(samples, true);
        width = data.size() == samples.size() ? 1 : 2;
        ASSERT_EQ(file.Open(Write(Simple({type}, static_cast<int>(samples.size())), data), 0), -1);
    }
    std::vector<int32_t> Envelope(int step, int64_t pos, int64_t count, int code = 0,
                                  std::size_t room = 4096) {
        std::vector<uint8_t> buf(room * 4);
        int64_t got = -1;
        EXPECT_EQ(file.ReadEnvelope(step, 0, pos, count, buf, got, code), -1);
        const int size = code == 0 ? width : code == 1 ? 1 : code == 2 ? 2 : 4;
        std::vector<int32_t> out;
        for (int64_t i = 0; i < got; ++i) {
            if (size == 1) out.push_back(static_cast<int8_t>(buf[static_cast<std::size_t>(i)]));
            else if (size == 2) {
                int16_t v;
                std::memcpy(&v, buf.data() + i * 2, 2);
                out.push_back(v);
            } else {
                int32_t v;
                std::memcpy(&v, buf.data() + i * 4, 4);
                out.push_back(v);
            }
        }
        return out;
    }
    CWaveFile file;
    int width = 2;
};

using V = std::vector<int32_t>;

TEST_F(EnvelopeTest, StepCode512CopiesSamples) {
    OpenTrace("IS2", {4, -3, 9, 1, 0});
    EXPECT_EQ(Envelope(512, 0, 5), (V{4, -3, 9, 1, 0}));
    EXPECT_EQ(Envelope(512, 1, 3), (V{-3, 9, 1}));
}

TEST_F(EnvelopeTest, PairOrderFollowsTheLastNewExtreme) {
    OpenTrace("IS2", {1, 5, 3, 2, 5, 1, 3, 4, 1, 5, 3, 2, 7, 7, 7, 7});
    EXPECT_EQ(Envelope(1024, 0, 4), (V{1, 5}));
    EXPECT_EQ(Envelope(1024, 4, 4), (V{5, 1}));
    EXPECT_EQ(Envelope(1024, 8, 8), (V{1, 5, 7, 7}));
    EXPECT_EQ(Envelope(1024, 0, 16), (V{1, 5, 5, 1, 1, 5, 7, 7}));
    EXPECT_EQ(Envelope(1024, 0, 6), (V{1, 5, 5, 1}));  // last group cut to 2 samples
}

TEST_F(EnvelopeTest, OrderInsideLongGroups) {
    // Both extremes first reached close together, and far apart, in 300-sample groups.
    std::vector<int> s(600, 0);
    s[100] = 50;
    s[101] = -50;  // min after max: (max, min)
    s[300 + 5] = -40;
    s[300 + 250] = 40;  // max after min: (min, max)
    OpenTrace("IS2", s);
    EXPECT_EQ(Envelope(300 * 256, 0, 600), (V{50, -50, -40, 40}));
    std::vector<int> t(300, 0);
    t[10] = -1;
    t[11] = -2;  // only new minima
    file.Close();
    OpenTrace("IS2", t);
    EXPECT_EQ(Envelope(300 * 256, 0, 300), (V{0, -2}));
}

TEST_F(EnvelopeTest, FractionalStepGroupSizes) {
    std::vector<int> s(20);
    std::iota(s.begin(), s.end(), 0);
    OpenTrace("IS2", s);
    // g = 2, f = 128: the accumulator adds a sample to every second group after the first two.
    EXPECT_EQ(Envelope(640, 0, 12), (V{0, 1, 2, 3, 4, 6, 7, 8, 9, 11}));
}

TEST_F(EnvelopeTest, ChunksRestartGroupsAndAccumulator) {
    std::vector<int> s(400);
    std::iota(s.begin(), s.end(), 0);
    OpenTrace("IS2", s);
    // g = 2 gives chunks of 200 samples: the second chunk starts a fresh group.
    V all = Envelope(640, 0, 400);
    V second = Envelope(640, 200, 200);
    V first = Envelope(640, 0, 200);
    ASSERT_GE(second.size(), 6u);
    EXPECT_EQ(V(second.begin(), second.begin() + 6), (V{200, 201, 202, 203, 204, 206}));
    V joined = first;
    joined.insert(joined.end(), second.begin(), second.end());
    EXPECT_EQ(all, joined);
    EXPECT_EQ(first.back(), 199);
}

TEST_F(EnvelopeTest, ComparisonBySizeAndKind) {
    OpenTrace("IU2", {1, 0xFFFF, 0x8000, 2});
    EXPECT_EQ(Envelope(1024, 0, 4), (V{1, -1}));  // (1, 0xFFFF) compared unsigned
    file.Close();
    OpenTrace("IS2", {1, 0xFFFF, 0x8000, 2});
    EXPECT_EQ(Envelope(1024, 0, 4), (V{-32768, 2}));
    file.Close();
    OpenTrace("IS1", {1, 0x80, 0x7F, 0});
    EXPECT_EQ(Envelope(1024, 0, 4, 0), (V{-128, 127}));
    EXPECT_EQ(Envelope(1024, 0, 4, 2), (V{-128, 127}));  // widened with the sign
    EXPECT_EQ(Envelope(1024, 0, 4, 3), (V{-128, 127}));
}

TEST_F(EnvelopeTest, BitDataGivesAndOr) {
    OpenTrace("B8", {0x0F, 0x3C, 0xF0, 0x0C, 0x01, 0x03});
    EXPECT_EQ(Envelope(1024, 0, 6, 2), (V{0x00, 0xFF, 0x01, 0x03}));
}

TEST_F(EnvelopeTest, RatioAndDestinationLimits) {
    std::vector<int> s(1000);
    std::iota(s.begin(), s.end(), 0);
    OpenTrace("IS2", s);
    std::vector<uint8_t> buf(8);
    int64_t got = 0;
    EXPECT_EQ(file.ReadEnvelopeRatio(10, 0, 0, 1000, buf, got, 0), -1);
    EXPECT_EQ(got, 4);  // the destination holds four 2-byte values
    EXPECT_EQ(Unpack(buf, got, 2), (U{0, 19, 20, 39}));  // ratio 10: step code 5120
    EXPECT_EQ(file.ReadEnvelope(100, 0, 0, 10, buf, got, 0), 0);  // below one sample a pair
    EXPECT_EQ(got, 0);
    EXPECT_EQ(file.ReadEnvelope(1024, 0, 0, 0, buf, got, 0), -1);
    EXPECT_EQ(got, 0);
    // Past the end of the data the read delivers what exists.
    EXPECT_EQ(Envelope(1024, 996, 100), (V{996, 999}));
}

}  // namespace
}  // namespace kivelo
