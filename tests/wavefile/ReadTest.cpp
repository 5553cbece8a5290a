#include <linux/magic.h>
#include <sys/vfs.h>

#include <bit>
#include <cmath>
#include <tuple>

#include "WaveFileFixture.h"
#include "wavefile/FileHandle.h"
#include "wavefile/NumberText.h"
#include "wavefile/ReadMonitor.h"

namespace kivelo {
namespace {

using U = std::vector<uint32_t>;

class ReadTest : public test::WaveFileFixture {};

struct SampleType {
    const char* name;
    int width;
    bool isSigned;  // sign-extended when widened
};
void PrintTo(const SampleType& type, std::ostream* os) { *os << type.name; }
constexpr SampleType kSampleTypes[] = {{"IS1", 1, true}, {"IU1", 1, false}, {"B8", 1, false},
                                       {"IS2", 2, true}, {"IU2", 2, false}, {"B16", 2, false},
                                       {"IS4", 4, true}, {"IU4", 4, false}, {"FS4", 4, true}};

// type, Trace layout (else Block), little-endian (else big), cache capacity
using ReadCase = std::tuple<SampleType, bool, bool, int64_t>;

std::string ReadCaseName(const ::testing::TestParamInfo<ReadCase>& info) {
    const auto& [type, trace, little, capacity] = info.param;
    return std::string(type.name) + (trace ? "_Trace" : "_Block") + (little ? "_Ltl" : "_Big") + "_Cache" +
           std::to_string(capacity);
}

class ReadEveryType : public test::WaveFileFixture, public ::testing::WithParamInterface<ReadCase> {};

// Samples come back in host order, narrowed to their low-order bytes or widened by
// their kind, as values and texts, from the right trace and block (traces and blocks
// alternate, so a stale cache shows).
TEST_P(ReadEveryType, SamplesValuesAndTexts) {
    const auto& [sampleType, trace, little, capacity] = GetParam();
    const std::string type = sampleType.name;
    const int w = sampleType.width;
    const bool isSigned = sampleType.isSigned;
    const uint64_t pattern[] = {0x8000000080, 0xFFFFFFFFFF, 0x01, 0x7FFFFFFF7F, 0x3F80123456};
    const uint64_t mask = (uint64_t{1} << (8 * w)) - 1;
    auto sample = [&](int t, int b, int i) { return (pattern[i] ^ (0x11u * (1 + t + 2 * b))) & mask; };
    test::HeaderDesc desc = Simple({type, type}, 0, 2);
    // The Trace layout takes every trace to have the current one's size.
    auto& sizes = desc.groups[0].sizes;
    sizes = trace ? std::vector<std::vector<int>>{{5, 5}, {5, 5}} : std::vector<std::vector<int>>{{5, 3}, {2, 5}};
    desc.groups[0].vres = {0.5, 0.25};
    desc.groups[0].voff = {-1, 3};
    desc.dataFormat = trace ? "Trace" : "Block";
    desc.endian = little ? "Ltl" : "Big";
    desc.dataOffset = 3;
    std::string data(3, '\xAA');
    for (int outer = 0; outer < 2; ++outer)
        for (int inner = 0; inner < 2; ++inner) {
            const int t = trace ? outer : inner, b = outer + inner - t;
            for (int i = 0; i < sizes[b][t]; ++i) data += test::SampleBytes({int64_t(sample(t, b, i))}, w, little);
        }
    CWaveFile f(Write(desc, data, "f"), capacity);
    ASSERT_TRUE(f.IsOpen());
    for (int b = 0; b < 2; ++b)
        for (int t = 0; t < 2; ++t) {
            const int n = sizes[b][t];
            f.SetBlock(b);
            for (int code = 0; code <= 3; ++code) {
                const int outSize = code == 0 ? w : code == 3 ? 4 : code;
                U want;
                for (int i = 0; i < n; ++i) {
                    uint64_t v = sample(t, b, i);
                    if (outSize > w && isSigned && (v >> (8 * w - 1))) v |= ~mask;
                    want.push_back(static_cast<uint32_t>(v & ((uint64_t{1} << (8 * outSize)) - 1)));
                }
                EXPECT_EQ(Read(f, t, 0, n, code, outSize), want) << "b" << b << " t" << t << " code " << code;
            }
            std::vector<double> values(5);
            std::vector<ValueText> texts(5);
            int64_t got = 0, gotTexts = 0;
            ASSERT_EQ(f.ReadValues(b, t, 0, n, values, got), -1);
            ASSERT_EQ(f.ReadText(b, t, 0, n, texts, gotTexts), -1);
            ASSERT_EQ(got + gotTexts, 2 * n);
            for (int i = 0; i < n; ++i) {
                const uint64_t v = sample(t, b, i);
                double raw = isSigned && (v >> (8 * w - 1)) ? double(v) - double(mask) - 1 : double(v);
                if (type == "FS4") raw = std::bit_cast<float>(static_cast<uint32_t>(v));
                const double want = raw * (t ? 0.25 : 0.5) + (t ? 3 : -1);
                const auto j = static_cast<std::size_t>(i);
                SCOPED_TRACE("b" + std::to_string(b) + " t" + std::to_string(t) + " i" + std::to_string(i));
                EXPECT_TRUE(values[j] == want || (std::isnan(values[j]) && std::isnan(want)));
                EXPECT_STREQ(texts[j].data(), ValueTextOf(want).c_str());
            }
        }
}

INSTANTIATE_TEST_SUITE_P(Types, ReadEveryType,
                         ::testing::Combine(::testing::ValuesIn(kSampleTypes), ::testing::Bool(), ::testing::Bool(),
                                            ::testing::Values(int64_t{0}, int64_t{6}, int64_t{4096})),
                         ReadCaseName);

// A data file shorter than its header: every path (direct, small and large cache
// windows) delivers only the samples that exist.
TEST_F(ReadTest, ShortDataFileGivesShortReads) {
    for (int64_t capacity : {0, 16, 65536}) {
        SCOPED_TRACE(capacity);
        const std::string name = "short" + std::to_string(capacity);
        CWaveFile f(Write(Simple({"IS2", "IS2"}, 1000), test::SampleBytes({1, 2, 3, 4, 5}, 2, true), name), capacity);
        ASSERT_TRUE(f.IsOpen());
        EXPECT_EQ(Read(f, 0, 2, 10), (U{3, 4, 5}));
        EXPECT_EQ(Read(f, 0, 500, 10), U{});
        EXPECT_EQ(Read(f, 1, 0, 10), U{});
        EXPECT_EQ(Read(f, 0, 3, 10), (U{4, 5}));  // inside a window read before
        std::vector<uint8_t> buf(100);
        std::vector<ValueText> texts(10);
        int64_t got = 0;
        EXPECT_EQ(f.ReadEnvelope(1024, 0, 0, 0, 1000, buf, got, 0), -1);
        EXPECT_EQ(got, 4);  // (1, 4) and (5, 5)
        EXPECT_EQ(f.ReadText(0, 0, 0, 10, texts, got), -1);
        EXPECT_EQ(got, 5);
    }
}

TEST_F(ReadTest, OpenResults) {
    const test::HeaderDesc desc = Simple({"IS2"}, 2);
    const std::string path = Write(desc, test::SampleBytes({7, 8}, 2, true));
    CWaveFile f;
    EXPECT_EQ(f.Open(dir.File("nothing.wvf"), 0), kOpenNoHeader);
    ASSERT_EQ(f.Open(path, 0), kOpenOk);
    EXPECT_EQ(f.Open(dir.File("nothing.wvf"), 0), kOpenAlreadyOpen);
    EXPECT_EQ(Read(f, 0, 1, 1), (U{8}));
    EXPECT_EQ(f.Close(), -1);
    EXPECT_FALSE(f.IsOpen());
    std::vector<uint8_t> buf(2);
    int64_t got = 5;
    EXPECT_EQ(f.ReadData(0, 1, buf, got, 0), 0);
    EXPECT_EQ(got, 0);
    Put("headeronly.hdr", test::HeaderText(desc));
    EXPECT_EQ(f.Open(dir.File("headeronly.wvf"), 0), kOpenNoData);
    EXPECT_FALSE(f.IsOpen());
}

// Bad indexes, unreadable widths, empty blocks and negative or huge positions fail
// without reading; a good call on the same file still works.
// Samples seen in place in the mapped file are those a read delivers, counted as
// read; where they are not stored one after the other as 2-byte samples in this
// machine's order inside the mapping, none are seen (the caller reads them).
TEST_F(ReadTest, SamplesSeenInPlaceAreThoseRead) {
    static_assert(std::endian::native == std::endian::little, "the layouts below are little-endian");
    for (const bool trace : {true, false}) {
        SCOPED_TRACE(trace ? "Trace" : "Block");
        test::HeaderDesc desc = Simple({"IS2", "IU2"}, 0, 2);
        desc.groups[0].sizes =
            trace ? std::vector<std::vector<int>>{{6, 6}, {6, 6}} : std::vector<std::vector<int>>{{6, 3}, {2, 6}};
        desc.dataFormat = trace ? "Trace" : "Block";
        desc.dataOffset = 4;
        std::string data(4, '\xAA');
        for (int i = 0; i < 24; ++i) data += test::SampleBytes({int64_t{0x1234} * i - 0x4000}, 2, true);
        const std::string path = Write(desc, data, trace ? "trace" : "block");
        CWaveFile f(path, 0);
        ReadMonitor monitor;
        f.SetReadMonitor(&monitor);
        ASSERT_TRUE(f.IsOpen());
        const auto mapping = f.MapData();
        ASSERT_TRUE(mapping);
        for (int b = 0; b < 2; ++b)
            for (int t = 0; t < 2; ++t) {
                f.SetBlock(b);
                const int n = desc.groups[0].sizes[static_cast<size_t>(b)][static_cast<size_t>(t)];
                for (int pos = 0; pos < n; ++pos)
                    for (int count = 1; pos + count <= n; ++count) {
                        monitor.Reset();
                        const std::span<const int16_t> seen = f.MappedSamples(*mapping, b, t, pos, count);
                        U got;
                        for (const int16_t v : seen) got.push_back(static_cast<uint16_t>(v));
                        EXPECT_EQ(monitor.bytesRead.load(), 2 * count);
                        EXPECT_EQ(got, Read(f, t, pos, count)) << "b" << b << " t" << t << " at " << pos;
                    }
                EXPECT_TRUE(f.MappedSamples(*mapping, b, t, n - 1, 2).empty());
                EXPECT_TRUE(f.MappedSamples(*mapping, b, t, -1, 2).empty());
            }
        monitor.cancel = true;
        EXPECT_TRUE(f.MappedSamples(*mapping, 0, 0, 0, 1).empty());
    }
    // Not as the samples are read: 1-byte, byte-reversed, at an odd offset, short data.
    const auto nothingSeen = [&](test::HeaderDesc desc, const std::string& data, const char* name, int64_t pos = 0) {
        CWaveFile f(Write(desc, data, name), 0);
        ASSERT_TRUE(f.IsOpen());
        const auto mapping = f.MapData();
        ASSERT_TRUE(mapping);
        EXPECT_TRUE(f.MappedSamples(*mapping, 0, 0, pos, 2).empty()) << name;
    };
    const std::string eight(8, '\x11');
    nothingSeen(Simple({"IS1"}, 4), eight, "bytes");
    test::HeaderDesc big = Simple({"IS2"}, 4);
    big.endian = "Big";
    nothingSeen(big, eight, "big");
    test::HeaderDesc odd = Simple({"IS2"}, 3);
    odd.dataOffset = 1;
    nothingSeen(odd, "\x11" + std::string(6, '\x22'), "odd");
    nothingSeen(Simple({"IS2"}, 100), eight, "short", 3);
    EXPECT_FALSE(CWaveFile().MapData());
}

TEST_F(ReadTest, BadRequestsReadNothing) {
    test::HeaderDesc desc = Simple({"XX", "IS2", "IS2"}, 4);
    desc.groups[0].sizes = {{4, 0, 4}};
    CWaveFile f(Write(desc, std::string(64, '\x01')), 1024);
    ASSERT_TRUE(f.IsOpen());
    std::vector<uint8_t> buf(64);
    std::vector<ValueText> texts(8);
    std::vector<double> values(8);
    int64_t got = 9;
    EXPECT_EQ(f.ReadData(0, 0, 0, 4, buf, got, 0), 0);  // width 0
    EXPECT_EQ(got, 0);
    EXPECT_EQ(f.ReadText(0, 0, 0, 4, texts, got), 0);
    EXPECT_EQ(f.ReadValues(0, 0, 0, 4, values, got), 0);
    EXPECT_EQ(f.ReadEnvelope(1024, 0, 0, 0, 4, buf, got, 0), 0);
    EXPECT_EQ(f.ReadData(0, 1, 0, 4, buf, got, 0), 0);  // empty block
    EXPECT_EQ(f.ReadData(0, 3, 0, 4, buf, got, 0), 0);  // no such trace
    EXPECT_EQ(f.ReadData(0, -1, 0, 4, buf, got, 0), 0);
    EXPECT_EQ(f.ReadData(5, 2, 0, 4, buf, got, 0), 0);  // no such block
    EXPECT_EQ(f.ReadData(-5, 2, 0, 4, buf, got, 0), 0);
    EXPECT_EQ(f.ReadData(0, 2, -1, 4, buf, got, 0), 0);
    EXPECT_EQ(f.ReadData(0, 2, 0, -4, buf, got, 0), 0);
    EXPECT_EQ(f.ReadData(0, 2, int64_t{1} << 62, 4, buf, got, 0), 0);
    EXPECT_EQ(f.ReadData(0, 2, 0, 4, buf, got, 9), 0);  // unknown width code
    EXPECT_EQ(f.ReadEnvelope(1024, 0, 2, -8, 4, buf, got, 0), 0);
    EXPECT_EQ(f.ReadEnvelopeRatio(-3, 0, 2, 0, 4, buf, got, 0), 0);
    EXPECT_EQ(f.ReadData(0, 2, 0, 4, buf, got, 0), -1);
    EXPECT_EQ(got, 4);

    // QV6 files drop traces of unknown type; with none left the file opens empty.
    desc = Simple({"XX", "YY"}, 4);
    desc.model = "QV6000";
    CWaveFile empty(Write(desc, std::string(16, '\0'), "none"), 0);
    ASSERT_TRUE(empty.IsOpen());
    EXPECT_EQ(empty.GetTraceTotalNumber(), 0);
    EXPECT_EQ(empty.ReadData(0, 0, 0, 2, buf, got, 0), 0);
}

TEST_F(ReadTest, SmallDestinationsAreNeverOverrun) {
    CWaveFile f(Write(Simple({"IS2"}, 100), test::SampleBytes(std::vector<int64_t>(100, 3), 2, true)), 64);
    ASSERT_TRUE(f.IsOpen());
    std::vector<uint8_t> buf(7);  // room for three 2-byte samples
    std::vector<ValueText> texts(2);
    std::vector<double> values(1);
    int64_t got = 0;
    EXPECT_EQ(f.ReadData(0, 0, 0, 50, buf, got, 0), -1);
    EXPECT_EQ(got, 3);
    EXPECT_EQ(f.ReadData(0, 0, 0, 50, buf, got, 3), -1);
    EXPECT_EQ(got, 1);
    EXPECT_EQ(f.ReadText(0, 0, 0, 50, texts, got), -1);
    EXPECT_EQ(got, 2);
    EXPECT_EQ(f.ReadValues(0, 0, 0, 50, values, got), -1);
    EXPECT_EQ(got, 1);
    EXPECT_EQ(f.ReadEnvelope(512, 0, 0, 0, 100, std::span(buf).first(5), got, 0), -1);
    EXPECT_EQ(got, 2);
    EXPECT_EQ(f.ReadEnvelope(512, 0, 0, 0, 100, {}, got, 0), -1);
    EXPECT_EQ(got, 0);
}

TEST_F(ReadTest, HugeSizesDoNotOverflowOffsets) {
    test::HeaderDesc desc = Simple({"IS4", "IS4", "IS4"}, 2147483647, 1000);
    for (const std::string layout : {"Trace", "Block", "Other"}) {
        SCOPED_TRACE(layout);
        desc.dataFormat = layout;
        test::ProbeWaveFile f;
        ASSERT_EQ(f.Open(Write(desc, std::string(16, '\x02'), layout), 4096), -1);
        EXPECT_EQ(Read(f, 0, 1, 1, 0, 4), (U{0x02020202}));
        if (layout == "Other") EXPECT_EQ(f.OffsetOf(999, 2, 0), -1);  // only trace 0 of block 0
        else EXPECT_GT(f.OffsetOf(999, 2, 0), 0);
        f.SetBlock(999);
        EXPECT_EQ(Read(f, 2, 0, 4, 0, 4), U{});
    }
}

// The cache probe that spares asking for spans already in the system's cache:
// bytes just read answer yes (else every figure would ask again), bytes past
// the end, negative offsets and a closed file answer no.
TEST_F(ReadTest, CacheProbeAnswersForReadBytesOnly) {
    const std::string path = Put("probe.bin", std::string(3 * 4096 + 10, 'x'));
    FileHandle file;
    ASSERT_TRUE(file.OpenRead(path));
    std::vector<uint8_t> bytes(3 * 4096 + 10);
    ASSERT_EQ(file.ReadAt(0, bytes), static_cast<int64_t>(bytes.size()));
    struct statfs fs {};
    ASSERT_EQ(::statfs(path.c_str(), &fs), 0);
    if (fs.f_type == TMPFS_MAGIC) GTEST_SKIP() << "tmpfs cannot be asked without waiting";
    EXPECT_TRUE(file.InCache(0));
    EXPECT_TRUE(file.InCache(3 * 4096 + 9));
    EXPECT_FALSE(file.InCache(3 * 4096 + 10));
    EXPECT_FALSE(file.InCache(-1));
    file.WillNeed(0, 3 * 4096);  // a hint on a span that is there, and on none
    file.WillNeed(1 << 20, 4096);
    ASSERT_EQ(file.ReadAt(4096, std::span(bytes).first(4)), 4);
    EXPECT_EQ(bytes[0], 'x');
    file.Close();
    EXPECT_FALSE(file.InCache(0));
}

}  // namespace
}  // namespace kivelo
