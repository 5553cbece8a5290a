#include "WaveFileFixture.h"

namespace kivelo {
namespace {

using test::GroupDesc;
using test::HeaderDesc;
using U = std::vector<uint32_t>;

// Two traces of 1,000 2-byte samples in two blocks; sample = 10000 t + 2000 b + i.
class LayoutTest : public test::WaveFileFixture {
protected:
    std::string Data(bool traceLayout, int offset) {
        std::vector<int> s(static_cast<std::size_t>(offset / 2), 0);
        for (int outer = 0; outer < 2; ++outer)
            for (int inner = 0; inner < 2; ++inner)
                for (int i = 0; i < 1000; ++i) {
                    int t = traceLayout ? outer : inner, b = traceLayout ? inner : outer;
                    s.push_back(10000 * t + 2000 * b + i);
                }
        return test::Bytes16(s, true);
    }
};

TEST_F(LayoutTest, TraceLayoutOffsets) {
    HeaderDesc desc = Simple({"IS2", "IS2"}, 1000, 2);
    test::ProbeWaveFile f;
    ASSERT_EQ(f.Open(Write(desc, Data(true, 0)), 0), -1);
    f.SetBlock(1);
    f.SetTrace(1);
    EXPECT_EQ(f.TraceByteOffset(0), 6000);
    EXPECT_EQ(Read(f, 1, 0, 3, 0, 2), (U{12000, 12001, 12002}));
    f.SetBlock(0);
    EXPECT_EQ(Read(f, 0, 998, 2, 0, 2), (U{998, 999}));
    // Requests past the block are not cut: they run into the next block.
    EXPECT_EQ(Read(f, 0, 999, 2, 0, 2), (U{999, 2000}));
}

TEST_F(LayoutTest, BlockLayoutOffsetsWithDataOffset) {
    HeaderDesc desc = Simple({"IS2", "IS2"}, 1000, 2);
    desc.dataFormat = "Block";
    test::ProbeWaveFile f;
    ASSERT_EQ(f.Open(Write(desc, Data(false, 0)), 0), -1);
    f.SetBlock(1);
    f.SetTrace(1);
    EXPECT_EQ(f.TraceByteOffset(0), 6000);
    f.SetBlock(0);
    EXPECT_EQ(f.TraceByteOffset(0), 2000);
    EXPECT_EQ(Read(f, 1, 5, 1, 0, 2), (U{10005}));
    std::vector<uint8_t> buf(4);
    int64_t got = 0;
    EXPECT_EQ(f.ReadData(1, 0, 7, 2, buf, got, 0), -1);
    EXPECT_EQ(Unpack(buf, got, 2), (U{2007, 2008}));

    desc.dataOffset = 64;
    test::ProbeWaveFile g;
    ASSERT_EQ(g.Open(Write(desc, Data(false, 64), "off"), 0), -1);
    EXPECT_EQ(Read(g, 0, 0, 1, 0, 2), (U{0}));
    g.SetBlock(1);
    EXPECT_EQ(Read(g, 1, 999, 1, 0, 2), (U{12999}));
}

TEST_F(LayoutTest, BlockLayoutWithUnequalSizes) {
    HeaderDesc desc;
    desc.dataFormat = "Block";
    GroupDesc g;
    g.names = {"A", "B"};
    g.blocks = 2;
    g.sizes = {{3, 2}, {1, 4}};
    desc.groups = {g};
    // b0: A0 A1 A2 B0 B1 | b1: A0 B0 B1 B2 B3
    std::string data = test::Bytes16({1, 2, 3, 11, 12, 21, 31, 32, 33, 34}, true);
    test::ProbeWaveFile f;
    ASSERT_EQ(f.Open(Write(desc, data), 0), -1);
    f.SetBlock(1);
    EXPECT_EQ(f.GetBlockSize(), 1);
    EXPECT_EQ(Read(f, 1, 0, 4, 0, 2), (U{31, 32, 33, 34}));
    EXPECT_EQ(f.GetBlockSize(), 4);
}

class WaveFileTest : public test::WaveFileFixture {};

TEST_F(WaveFileTest, ByteOrderAndWidthCodes) {
    std::string big = std::string("\x01\x02", 2);
    test::ProbeWaveFile b;
    ASSERT_EQ(b.Open(Write(Simple({"IS2"}, 1, 1, "Big"), big, "big"), 0), -1);
    EXPECT_EQ(Read(b, 0, 0, 1, 0, 2), (U{0x0102}));
    EXPECT_EQ(Read(b, 0, 0, 1, 1, 1), (U{0x02}));  // low-order byte of the value
    b.SetByteOrderConversion(false);
    EXPECT_EQ(Read(b, 0, 0, 1, 0, 2), (U{0x0201}));
    test::ProbeWaveFile l;
    ASSERT_EQ(l.Open(Write(Simple({"IS2"}, 1, 1, "Ltl"), big, "ltl"), 0), -1);
    EXPECT_EQ(Read(l, 0, 0, 1, 0, 2), (U{0x0201}));

    test::ProbeWaveFile w;
    std::string four = test::Bytes32({0x11223344}, false);
    ASSERT_EQ(w.Open(Write(Simple({"IS4"}, 1, 1, "Big"), four, "four"), 0), -1);
    EXPECT_EQ(Read(w, 0, 0, 1, 0, 4), (U{0x11223344}));
    EXPECT_EQ(Read(w, 0, 0, 1, 2, 2), (U{0x3344}));
    EXPECT_EQ(Read(w, 0, 0, 1, 1, 1), (U{0x44}));
}

TEST_F(WaveFileTest, WideningFollowsTheKind) {
    std::string data = test::Bytes8({0xFF});
    test::ProbeWaveFile f;
    ASSERT_EQ(f.Open(Write(Simple({"IS1", "IU1", "B8"}, 1), data + data + data), 0), -1);
    EXPECT_EQ(Read(f, 0, 0, 1, 2, 2), (U{0xFFFF}));
    EXPECT_EQ(Read(f, 0, 0, 1, 3, 4), (U{0xFFFFFFFF}));
    EXPECT_EQ(Read(f, 1, 0, 1, 2, 2), (U{0x00FF}));
    EXPECT_EQ(Read(f, 1, 0, 1, 3, 4), (U{0x000000FF}));
    EXPECT_EQ(Read(f, 2, 0, 1, 2, 2), (U{0x00FF}));
    std::vector<uint8_t> buf(4);
    int64_t got = 7;
    EXPECT_EQ(f.ReadData(0, 0, 1, buf, got, 9), 0);  // unknown width code
    EXPECT_EQ(got, 0);
}

TEST_F(WaveFileTest, RecordsAndQueries) {
    HeaderDesc desc = Simple({"IS2", "IU2", "B16"}, 10, 2);
    desc.groups[0].vres = {0.001, 0.5, 1};
    desc.groups[0].voff = {1.0, 0, 0};
    desc.groups[0].hres = 2e-6;
    desc.groups[0].hoff = -0.5;
    desc.groups[0].dateLines = {"Date 26/12/01 x x", "Date 26/12/02"};
    desc.groups[0].timeLines = {"Time 10:00:00", "Time 10:00:01"};
    CWaveFile f(Write(desc, std::string(120, '\0')), 0);
    ASSERT_TRUE(f.IsOpen());
    EXPECT_EQ(f.GetTraceTotalNumber(), 3);
    EXPECT_EQ(f.GetBlockNumber(), 2);
    EXPECT_EQ(f.GetBlockSize(), 10);
    EXPECT_EQ(f.GetChannelMask(), 0b111u);
    TraceInfo ti;
    ASSERT_EQ(f.GetTraceInfo(1, ti), -1);
    EXPECT_EQ(ti.TraceName, "CH2");
    EXPECT_EQ(ti.channel, 1);
    EXPECT_EQ(ti.DataKind, kKindUnsigned);
    EXPECT_EQ(ti.BlockSizes, (std::vector<int32_t>{10, 10}));
    EXPECT_DOUBLE_EQ(ti.VResolution, 0.5);
    EXPECT_EQ(f.GetTraceInfo(3, ti), 0);
    HorzInfo h;
    f.GetHorzInfo(h);
    EXPECT_DOUBLE_EQ(h.HResolution, 2e-6);
    EXPECT_DOUBLE_EQ(h.HOffset, -0.5);
    EXPECT_EQ(h.HUnit, "s");
    std::string date, time, model;
    EXPECT_EQ(f.GetDateTime(1, date, time), -1);
    EXPECT_EQ(date, "26/12/02");
    EXPECT_EQ(time, "10:00:01");
    EXPECT_EQ(f.GetDateTime(2, date, time), 0);
    EXPECT_EQ(f.GetModel(model), -1);
    EXPECT_EQ(model, "QV700");
    int32_t channel = -1;
    EXPECT_EQ(f.MapChannel(5, "x", channel), 1u << 5);
    EXPECT_EQ(channel, 5);
    EXPECT_EQ(f.MapChannel(32, "x", channel), 0u);
}

TEST_F(WaveFileTest, TextsAndValuesFollowTheScaling) {
    HeaderDesc desc = Simple({"IS2", "IU2"}, 3);
    desc.groups[0].vres = {0.001, 0.001};
    desc.groups[0].voff = {0, 1};
    std::string data = test::Bytes16({-32768, 5, 0}, true) + test::Bytes16({0x8000, 0xFFFF, 0}, true);
    CWaveFile f(Write(desc, data), 65536);
    ASSERT_TRUE(f.IsOpen());
    std::vector<ValueText> texts(5);
    int64_t got = 0;
    ASSERT_EQ(f.ReadText(0, 0, 0, 3, texts, got), -1);
    ASSERT_EQ(got, 3);
    EXPECT_STREQ(texts[0].data(), "-32.768");
    EXPECT_STREQ(texts[1].data(), "5.e-003");
    EXPECT_STREQ(texts[2].data(), "0.");
    ASSERT_EQ(f.ReadText(1, 0, 2, texts, got), -1);
    EXPECT_STREQ(texts[0].data(), "33.768");
    EXPECT_STREQ(texts[1].data(), "66.535");
    std::vector<double> values(3);
    ASSERT_EQ(f.ReadValues(1, 0, 3, values, got), -1);
    EXPECT_DOUBLE_EQ(values[1], 65535 * 0.001 + 1);  // unsigned samples keep their value
    ASSERT_EQ(f.ReadValues(0, 0, 0, 1, values, got), -1);
    EXPECT_DOUBLE_EQ(values[0], -32.768);
}

TEST_F(WaveFileTest, CacheWindowIsCentredAndClampedToTheTrace) {
    std::vector<int> s;
    for (int i = 0; i < 2000; ++i) s.push_back(i);
    test::ProbeWaveFile f;
    ASSERT_EQ(f.Open(Write(Simple({"IS2", "IS2"}, 1000), test::Bytes16(s, true)), 65536), -1);
    EXPECT_EQ(f.CheckCache(10, 100), kCacheMiss);
    EXPECT_EQ(Read(f, 0, 5, 50, 0, 2).front(), 5u);  // 100 bytes at byte 10
    EXPECT_EQ(f.Cache(0).windowStart, 0);
    EXPECT_EQ(f.Cache(0).windowLength, 2000);  // cut to the trace's last byte
    EXPECT_EQ(f.CheckCache(10, 100), kCacheHit);
    EXPECT_EQ(f.CheckCache(1990, 20), kCacheMiss);
    EXPECT_EQ(Read(f, 0, 998, 2, 0, 2), (U{998, 999}));
    // Each trace has its own window; a request past the trace's data is read directly.
    EXPECT_EQ(Read(f, 1, 0, 2, 0, 2), (U{1000, 1001}));
    EXPECT_EQ(f.Cache(1).trace, 1);
    EXPECT_EQ(Read(f, 1, 999, 2, 0, 2), (U{1999}));

    // Small capacity: a window of 64 bytes around the request.
    test::ProbeWaveFile small;
    ASSERT_EQ(small.Open(Write(Simple({"IS2", "IS2"}, 1000), test::Bytes16(s, true), "small"), 64), -1);
    EXPECT_EQ(Read(small, 0, 500, 2, 0, 2), (U{500, 501}));
    EXPECT_EQ(small.Cache(0).windowStart, 1000 - 30);
    EXPECT_EQ(small.Cache(0).windowLength, 64);
    EXPECT_EQ(Read(small, 0, 100, 200, 0, 2).back(), 299u);  // larger than the cache: direct
    EXPECT_EQ(CWaveFile().CheckCache(0, 1), kCacheNone);
}

TEST_F(WaveFileTest, CacheFollowsBlockChanges) {
    std::vector<int> s;
    for (int i = 0; i < 40; ++i) s.push_back(i);
    test::ProbeWaveFile f;
    ASSERT_EQ(f.Open(Write(Simple({"IS2"}, 20, 2), test::Bytes16(s, true)), 4096), -1);
    EXPECT_EQ(Read(f, 0, 0, 1, 0, 2), (U{0}));
    f.SetBlock(1);
    EXPECT_EQ(f.CheckCache(0, 2), kCacheMiss);
    EXPECT_EQ(Read(f, 0, 0, 1, 0, 2), (U{20}));
}

TEST_F(WaveFileTest, OpenResultsAndSecondOpen) {
    HeaderDesc desc = Simple({"IS2"}, 2);
    std::string path = Write(desc, test::Bytes16({7, 8}, true));
    CWaveFile f;
    EXPECT_EQ(f.Open(dir.Path("nothing.wvf"), 0), kOpenNoHeader);
    EXPECT_FALSE(f.IsOpen());
    ASSERT_EQ(f.Open(path, 0), kOpenOk);
    EXPECT_EQ(f.Open(dir.Path("nothing.wvf"), 0), kOpenAlreadyOpen);
    EXPECT_TRUE(f.IsOpen());
    EXPECT_EQ(Read(f, 0, 1, 1, 0, 2), (U{8}));
    EXPECT_EQ(f.Close(), -1);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(f.Close(), -1);
    int64_t got = 5;
    std::vector<uint8_t> buf(2);
    EXPECT_EQ(f.ReadData(0, 1, buf, got, 0), 0);
    EXPECT_EQ(got, 0);

    dir.Write("headeronly.hdr", test::HeaderText(desc));
    EXPECT_EQ(f.Open(dir.Path("headeronly.wvf"), 0), kOpenNoData);
    EXPECT_FALSE(f.IsOpen());
}

TEST_F(WaveFileTest, RetryPathSharesTheHeader) {
    dir.Write("wave.hdr", test::HeaderText(Simple({"IS2"}, 2)));
    std::string data = dir.Write("wave0001.wvf", test::Bytes16({3, 4}, true));
    dir.Write("wave.wvf", test::Bytes16({9, 9}, true));
    CWaveFile f;
    ASSERT_EQ(f.Open(data, 0), kOpenOk);
    EXPECT_EQ(f.GetHeader()->GetHeaderPath(), dir.Path("wave.hdr"));
    EXPECT_EQ(Read(f, 0, 0, 2, 0, 2), (U{3, 4}));
}

TEST_F(WaveFileTest, UpperCaseDataFileWithUpperCaseHeader) {
    dir.Write("WAVE2.HDR", test::HeaderText(Simple({"IS2"}, 1)));
    std::string data = dir.Write("WAVE2.WVF", test::Bytes16({42}, true));
    CWaveFile f(data, 0);
    ASSERT_TRUE(f.IsOpen());
    EXPECT_EQ(Read(f, 0, 0, 1, 0, 2), (U{42}));
}

// Overloads chain through the virtual table so derived readers see every call.
class CountingWaveFile : public CWaveFile {
public:
    void SetBlock(int block) override { ++blockCalls; CWaveFile::SetBlock(block); }
    void SetTrace(int trace) override { ++traceCalls; CWaveFile::SetTrace(trace); }
    int ReadEnvelope(int stepCode, int64_t pos, int64_t count, std::span<uint8_t> dst,
                     int64_t& outCount, int code) override {
        lastStep = stepCode;
        return CWaveFile::ReadEnvelope(stepCode, pos, count, dst, outCount, code);
    }
    int blockCalls = 0, traceCalls = 0, lastStep = 0;
};

TEST_F(WaveFileTest, OverloadsChainVirtually) {
    CountingWaveFile f;
    ASSERT_EQ(f.Open(Write(Simple({"IS2", "IS2"}, 4, 2), std::string(32, '\1')), 0), -1);
    std::vector<uint8_t> buf(16);
    int64_t got = 0;
    EXPECT_EQ(f.ReadEnvelopeRatio(3, 1, 1, 0, 4, buf, got, 0), -1);
    EXPECT_EQ(f.lastStep, 3 * 512);
    EXPECT_EQ(f.blockCalls, 1);
    EXPECT_EQ(f.traceCalls, 1);
    EXPECT_EQ(f.GetCurrentBlock(), 1);
    EXPECT_EQ(f.GetCurrentTrace(), 1);
    std::vector<ValueText> texts(4);
    f.ReadText(0, 0, 0, 1, texts, got);
    std::vector<double> values(4);
    f.ReadValues(1, 1, 0, 1, values, got);
    f.ReadData(0, 0, 0, 1, buf, got, 0);
    EXPECT_EQ(f.blockCalls, 4);
    EXPECT_EQ(f.traceCalls, 4);
}

}  // namespace
}  // namespace kivelo
