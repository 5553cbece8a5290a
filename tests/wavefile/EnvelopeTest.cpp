#include <algorithm>
#include <random>
#include <tuple>

#include "WaveFileFixture.h"

namespace kivelo {
namespace {

using V = std::vector<int64_t>;

// Pair reduction written plainly: the request is cut into chunks of whole groups
// (g x 100 samples for g below 1,001, g x 10 up to 10,000, else g), each reduced by
// itself from a fresh fraction accumulator. A group gives (AND, OR) for bit data, else
// (min, max) when its last new extreme was a maximum and (max, min) otherwise; the
// order carried over groups never shows, as a group without a new extreme is constant.
template <typename T>
V Reference(const std::vector<T>& x, int step, bool bits, int64_t count) {
    const int64_t g = step / 256, f = step % 256;
    if (step == 512) return V(x.begin(), x.end());
    const int64_t chunk = std::min(g > 10000 ? g : g < 1001 ? g * 100 : g * 10, count);
    const auto n = static_cast<int64_t>(x.size());
    V out;
    for (int64_t c = 0; c < n; c += chunk) {
        const int64_t end = std::min(c + chunk, n);
        int64_t acc = 0, size = g;
        for (int64_t p = c; p < end;) {
            const int64_t e = std::min(p + size, end);
            T mn = x[p], mx = x[p], a = x[p], o = x[p];
            int64_t lastMin = -1, lastMax = -1;
            for (int64_t q = p + 1; q < e; ++q) {
                if (x[q] < mn) mn = x[q], lastMin = q;
                if (x[q] > mx) mx = x[q], lastMax = q;
                a &= x[q];
                o |= x[q];
            }
            if (bits) out.insert(out.end(), {a, o});
            else if (lastMax > lastMin) out.insert(out.end(), {mn, mx});
            else out.insert(out.end(), {mx, mn});
            p = e;
            size = g + (acc + f > 255);
            acc = (acc + f) % 256;
        }
    }
    return out;
}

// Calls fn with n output values of outSize bytes as the type the reduction compares
// them in: unsigned for unsigned traces, else signed.
template <typename Fn>
V Typed(const std::vector<uint8_t>& bytes, int64_t n, int outSize, bool unsignedKind, Fn fn) {
    auto as = [&](auto zero) {
        std::vector<decltype(zero)> v(static_cast<std::size_t>(n));
        std::memcpy(v.data(), bytes.data(), v.size() * sizeof(zero));
        return fn(v);
    };
    if (outSize == 1) return unsignedKind ? as(uint8_t{}) : as(int8_t{});
    if (outSize == 4) return unsignedKind ? as(uint32_t{}) : as(int32_t{});
    return unsignedKind ? as(uint16_t{}) : as(int16_t{});
}

V Values(const std::vector<uint8_t>& bytes, int64_t n, int outSize, bool unsignedKind = false) {
    return Typed(bytes, n, outSize, unsignedKind, [](const auto& v) { return V(v.begin(), v.end()); });
}

class EnvelopeTest : public test::WaveFileFixture {};

TEST_F(EnvelopeTest, ReferenceAnchors) {
    const std::vector<int16_t> order = {1, 5, 3, 2, 5, 1, 3, 4, 1, 5, 3, 2, 7, 7, 7, 7};
    EXPECT_EQ(Reference(order, 1024, false, 16), (V{1, 5, 5, 1, 1, 5, 7, 7}));
    std::vector<int16_t> ramp(12);
    for (int i = 0; i < 12; ++i) ramp[static_cast<std::size_t>(i)] = static_cast<int16_t>(i);
    // g = 2, f = 128: every second group after the first two takes a third sample.
    EXPECT_EQ(Reference(ramp, 640, false, 12), (V{0, 1, 2, 3, 4, 6, 7, 8, 9, 11}));
    const std::vector<uint8_t> bits = {0x0F, 0x3C, 0xF0, 0x0C, 0x01, 0x03};
    EXPECT_EQ(Reference(bits, 1024, true, 6), (V{0x00, 0xFF, 0x01, 0x03}));
}

constexpr const char* kEnvelopeTypes[] = {"IS1", "IU1", "B8", "IS2", "IU2", "B16", "IS4", "IU4"};
constexpr int64_t kEnvelopeSamples = 30011;

int WidthOf(const std::string& type) { return type.back() == '1' || type == "B8" ? 1 : type.back() == '4' ? 4 : 2; }

// The walk of each type, drawn one type after the other from one seeded generator.
const std::vector<int64_t>& WalkOf(const std::string& type) {
    static const std::vector<std::vector<int64_t>> walks = [] {
        std::mt19937 rnd(2026);
        std::vector<std::vector<int64_t>> all;
        for (const std::string t : kEnvelopeTypes) {
            const int64_t lim = int64_t{1} << (8 * WidthOf(t) - 1);
            std::vector<int64_t>& s = all.emplace_back();
            int64_t v = 0;
            for (int64_t i = 0; i < kEnvelopeSamples; ++i) {
                if (rnd() % 3 == 0) v = std::clamp<int64_t>(v + static_cast<int64_t>(rnd() % 41) - 20, -lim, lim - 1);
                s.push_back(rnd() % 997 == 0 ? static_cast<int64_t>(rnd()) : v);
            }
        }
        return all;
    }();
    const auto at = std::find(std::begin(kEnvelopeTypes), std::end(kEnvelopeTypes), type) - std::begin(kEnvelopeTypes);
    return walks[static_cast<std::size_t>(at)];
}

// type, width code, step
using EnvelopeCase = std::tuple<const char*, int, int>;

std::string EnvelopeCaseName(const ::testing::TestParamInfo<EnvelopeCase>& info) {
    const auto& [type, code, step] = info.param;
    return std::string(type) + "_Code" + std::to_string(code) + "_Step" + std::to_string(step);
}

class EnvelopeOfEveryType : public test::WaveFileFixture, public ::testing::WithParamInterface<EnvelopeCase> {};

// Random walks with flat stretches and spikes (ties, extremes early, late and close
// together in long groups) of every width and kind, at whole and fractional steps,
// across chunk boundaries, from odd positions, past the end of the data and into a
// small destination.
TEST_P(EnvelopeOfEveryType, MatchesTheReference) {
    const auto& [typeName, code, step] = GetParam();
    const std::string type = typeName;
    const int64_t n = kEnvelopeSamples;
    const int w = WidthOf(type);
    CWaveFile f(Write(Simple({type}, static_cast<int>(n)), test::SampleBytes(WalkOf(type), w, true), "e"), 4096);
    ASSERT_TRUE(f.IsOpen());
    TraceInfo ti;
    f.GetTraceInfo(0, ti);
    const int outSize = code == 0 ? w : code == 2 ? 2 : 4;
    std::vector<uint8_t> all(static_cast<std::size_t>(n * outSize));
    int64_t got = 0;
    ASSERT_EQ(f.ReadData(0, 0, 0, n, all, got, code), -1);
    ASSERT_EQ(got, n);
    for (const auto& [pos, count, room] : {std::tuple<int64_t, int64_t, int64_t>{0, n, 1 << 20},
                                           {13, n - 50, 1 << 20},
                                           {7, 5000, 1 << 20},
                                           {n - 1234, 5000, 1 << 20},
                                           {0, n, 7}}) {
        SCOPED_TRACE("pos " + std::to_string(pos) + " count " + std::to_string(count) + " room " +
                     std::to_string(room));
        const int64_t have = std::min(count, n - pos);
        std::vector<uint8_t> in(all.begin() + pos * outSize, all.begin() + (pos + have) * outSize);
        const bool unsignedKind = ti.DataKind == kKindUnsigned;
        V want = Typed(in, have, outSize, unsignedKind,
                       [&](const auto& x) { return Reference(x, step, ti.DataKind == kKindBit, count); });
        if (static_cast<int64_t>(want.size()) > room) want.resize(static_cast<std::size_t>(room));
        std::vector<uint8_t> dst(static_cast<std::size_t>(room * outSize));
        ASSERT_EQ(f.ReadEnvelope(step, 0, 0, pos, count, dst, got, code), -1);
        EXPECT_EQ(Values(dst, got, outSize, unsignedKind), want);
    }
}

INSTANTIATE_TEST_SUITE_P(Types, EnvelopeOfEveryType,
                         ::testing::Combine(::testing::ValuesIn(kEnvelopeTypes), ::testing::Values(0, 2, 3),
                                            ::testing::Values(512, 640, 1024, 3 * 256 + 77, 300 * 256, 1500 * 256 + 200,
                                                              12001 * 256)),
                         EnvelopeCaseName);

TEST_F(EnvelopeTest, RatioAndStepLimits) {
    std::vector<int64_t> s(1000);
    for (int i = 0; i < 1000; ++i) s[static_cast<std::size_t>(i)] = i;
    CWaveFile f(Write(Simple({"IS2"}, 1000), test::SampleBytes(s, 2, true)), 0);
    ASSERT_TRUE(f.IsOpen());
    std::vector<uint8_t> buf(8);
    int64_t got = 0;
    EXPECT_EQ(f.ReadEnvelopeRatio(10, 0, 0, 0, 1000, buf, got, 0), -1);
    EXPECT_EQ(Values(buf, got, 2), (V{0, 19, 20, 39}));           // ratio 10: step code 5120
    EXPECT_EQ(f.ReadEnvelope(100, 0, 0, 0, 10, buf, got, 0), 0);  // below one sample a pair
    EXPECT_EQ(got, 0);
    EXPECT_EQ(f.ReadEnvelope(1024, 0, 0, 0, 0, buf, got, 0), -1);
    EXPECT_EQ(got, 0);
}

}  // namespace
}  // namespace kivelo
