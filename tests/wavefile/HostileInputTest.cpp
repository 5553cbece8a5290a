#include "WaveFileFixture.h"

#include "CHdrFile.h"

namespace kivelo {
namespace {

using test::GroupDesc;
using test::HeaderDesc;

class HostileInputTest : public test::WaveFileFixture {
protected:
    bool Loads(const std::string& text) {
        dir.Write("h.hdr", text);
        return CHdrFile(dir.Path("h.wvf")).IsLoaded();
    }
    static std::string Replace(std::string text, const std::string& from, const std::string& to) {
        std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) text.replace(at, from.size(), to);
        return text;
    }
    std::string good = test::HeaderText(Simple({"IS2", "IS2"}, 10, 1));
};

TEST_F(HostileInputTest, HeaderCountsOutOfBoundsAreRejected) {
    ASSERT_TRUE(Loads(good));
    EXPECT_FALSE(Loads(Replace(good, "TraceNumber 2", "TraceNumber 2000000000")));
    EXPECT_FALSE(Loads(Replace(good, "TraceNumber 2", "TraceNumber -2")));
    EXPECT_FALSE(Loads(Replace(good, "BlockNumber 1", "BlockNumber 999999999")));
    EXPECT_FALSE(Loads(Replace(good, "BlockNumber 1", "BlockNumber -1")));
    EXPECT_FALSE(Loads(Replace(good, "BlockNumber 1", "BlockNumber 0")));
    EXPECT_FALSE(Loads(Replace(good, "TraceTotalNumber 2", "TraceTotalNumber 3")));
    EXPECT_FALSE(Loads(Replace(good, "TraceTotalNumber 2", "TraceTotalNumber 99999999")));
    EXPECT_FALSE(Loads(Replace(good, "GroupNumber 1", "GroupNumber 5")));
    EXPECT_FALSE(Loads(Replace(good, "GroupNumber 1", "GroupNumber -5")));
    EXPECT_FALSE(Loads(Replace(good, "DataOffset 0", "DataOffset -4")));
    EXPECT_FALSE(Loads(Replace(good, "BlockSize 10 10", "BlockSize 10 -10")));
    // B x N beyond any real header, even when each count alone would pass.
    std::string wide = Replace(good, "BlockNumber 1", "BlockNumber 1000000");
    EXPECT_FALSE(Loads(Replace(wide, "TraceTotalNumber 2", "TraceTotalNumber 8")));
}

TEST_F(HostileInputTest, MissingValuesAreRejected) {
    EXPECT_FALSE(Loads(Replace(good, "VResolution 1 1", "VResolution 1")));
    EXPECT_FALSE(Loads(Replace(good, "BlockSize 10 10", "BlockSize 10")));
    EXPECT_FALSE(Loads(Replace(good, "TraceName CH1 CH2", "TraceName CH1")));
    EXPECT_FALSE(Loads(Replace(good, "VDataType IS2 IS2", "VDataType")));
    EXPECT_FALSE(Loads(Replace(good, "Model QV700", "Model")));
    EXPECT_FALSE(Loads(good.substr(0, good.size() / 2)));
    EXPECT_FALSE(Loads(""));
    EXPECT_FALSE(Loads(std::string(3000, '\0') + "\xff\xfe"));
    EXPECT_FALSE(Loads(std::string(2 << 20, 'M')));  // one endless line
}

TEST_F(HostileInputTest, OddValuesParseSafely) {
    std::string odd = Replace(good, "VResolution 1 1", "VResolution 1e999 abc");
    odd = Replace(odd, "BlockSize 10 10", "BlockSize 99999999999999999999 +7");
    odd = Replace(odd, "VDataType IS2 IS2", "VDataType I B-9");
    ASSERT_TRUE(Loads(odd));
    CHdrFile h(dir.Path("h.wvf"));
    std::vector<HdrGroupInfo> g;
    h.GetGroupInfo(g);
    EXPECT_EQ(g[0].BlockSize, (std::vector<int32_t>{2147483647, 7}));
    EXPECT_EQ(g[0].VResolution[1], 0.0);
    EXPECT_EQ(g[0].DataWidth, (std::vector<int32_t>{0, 0}));
}

TEST_F(HostileInputTest, UnreadableTracesAndBadIndexesReadNothing) {
    HeaderDesc desc = Simple({"XX", "IS2", "IS2"}, 4, 1);
    desc.groups[0].sizes = {{4, 0, 4}};
    CWaveFile f(Write(desc, std::string(64, '\x01')), 1024);
    ASSERT_TRUE(f.IsOpen());
    std::vector<uint8_t> buf(64);
    std::vector<ValueText> texts(8);
    std::vector<double> values(8);
    int64_t got = 9;
    EXPECT_EQ(f.ReadData(0, 0, 4, buf, got, 0), 0);  // width 0
    EXPECT_EQ(got, 0);
    EXPECT_EQ(f.ReadText(0, 0, 4, texts, got), 0);
    EXPECT_EQ(f.ReadValues(0, 0, 4, values, got), 0);
    EXPECT_EQ(f.ReadEnvelope(1024, 0, 0, 4, buf, got, 0), 0);
    EXPECT_EQ(f.ReadData(1, 0, 4, buf, got, 0), 0);  // empty block
    EXPECT_EQ(f.ReadData(3, 0, 4, buf, got, 0), 0);  // no such trace
    EXPECT_EQ(f.ReadData(-1, 0, 4, buf, got, 0), 0);
    EXPECT_EQ(f.ReadData(5, 2, 0, 4, buf, got, 0), 0);  // no such block
    EXPECT_EQ(f.ReadData(-5, 2, 0, 4, buf, got, 0), 0);
    EXPECT_EQ(f.ReadData(0, 2, -1, 4, buf, got, 0), 0);  // negative position
    EXPECT_EQ(f.ReadData(0, 2, 0, -4, buf, got, 0), 0);
    EXPECT_EQ(f.ReadData(0, 2, int64_t{1} << 62, 4, buf, got, 0), 0);
    EXPECT_EQ(f.ReadEnvelope(1024, 0, 2, -8, 4, buf, got, 0), 0);
    EXPECT_EQ(f.ReadEnvelopeRatio(-3, 0, 2, 0, 4, buf, got, 0), 0);
    EXPECT_EQ(f.ReadData(0, 2, 0, 4, buf, got, 0), -1);
    EXPECT_EQ(got, 4);
}

TEST_F(HostileInputTest, FileWithEveryTraceRemovedOpensEmpty) {
    HeaderDesc desc = Simple({"XX", "YY"}, 4, 1);
    desc.model = "QV6000";
    CWaveFile f(Write(desc, std::string(16, '\0')), 0);
    ASSERT_TRUE(f.IsOpen());
    EXPECT_EQ(f.GetTraceTotalNumber(), 0);
    EXPECT_EQ(f.GetChannelMask(), 0u);
    EXPECT_EQ(f.GetBlockSize(), 0);
    std::vector<uint8_t> buf(8);
    int64_t got = 3;
    EXPECT_EQ(f.ReadData(0, 0, 2, buf, got, 0), 0);
    EXPECT_EQ(got, 0);
}

TEST_F(HostileInputTest, SmallDestinationsAreNeverOverrun) {
    std::vector<int> s(100, 3);
    CWaveFile f(Write(Simple({"IS2"}, 100), test::Bytes16(s, true)), 64);
    ASSERT_TRUE(f.IsOpen());
    std::vector<uint8_t> buf(7);  // room for three 2-byte samples
    int64_t got = 0;
    EXPECT_EQ(f.ReadData(0, 0, 50, std::span(buf).first(7), got, 0), -1);
    EXPECT_EQ(got, 3);
    EXPECT_EQ(f.ReadData(0, 0, 50, std::span(buf).first(7), got, 3), -1);
    EXPECT_EQ(got, 1);
    std::vector<ValueText> texts(2);
    EXPECT_EQ(f.ReadText(0, 0, 50, texts, got), -1);
    EXPECT_EQ(got, 2);
    std::vector<double> values(1);
    EXPECT_EQ(f.ReadValues(0, 0, 50, values, got), -1);
    EXPECT_EQ(got, 1);
    EXPECT_EQ(f.ReadEnvelope(512, 0, 0, 100, std::span(buf).first(5), got, 0), -1);
    EXPECT_EQ(got, 2);
    EXPECT_EQ(f.ReadEnvelope(512, 0, 0, 100, {}, got, 0), -1);
    EXPECT_EQ(got, 0);
}

TEST_F(HostileInputTest, TruncatedDataFileGivesShortReads) {
    for (int64_t capacity : {0, 16, 65536}) {
        std::string name = "trunc" + std::to_string(capacity);
        CWaveFile f(Write(Simple({"IS2", "IS2"}, 1000), test::Bytes16({1, 2, 3, 4, 5}, true), name),
                    capacity);
        ASSERT_TRUE(f.IsOpen());
        std::vector<uint8_t> buf(2000);
        int64_t got = 0;
        EXPECT_EQ(f.ReadData(0, 2, 10, buf, got, 0), -1);
        EXPECT_EQ(got, 3) << capacity;
        EXPECT_EQ(f.ReadData(0, 500, 10, buf, got, 0), -1);
        EXPECT_EQ(got, 0);
        EXPECT_EQ(f.ReadData(1, 0, 10, buf, got, 0), -1);
        EXPECT_EQ(got, 0);
        EXPECT_EQ(f.ReadEnvelope(1024, 0, 0, 1000, buf, got, 0), -1);
        EXPECT_EQ(got, 4);  // (1, 4) and (5, 5)
        std::vector<ValueText> texts(10);
        EXPECT_EQ(f.ReadText(0, 0, 10, texts, got), -1);
        EXPECT_EQ(got, 5);
    }
}

TEST_F(HostileInputTest, HugeSizesDoNotOverflowOffsets) {
    HeaderDesc desc = Simple({"IS4", "IS4", "IS4"}, 2147483647, 1);
    desc.groups[0].blocks = 1000;
    test::ProbeWaveFile f;
    ASSERT_EQ(f.Open(Write(desc, std::string(16, '\0')), 4096), -1);
    f.SetBlock(999);
    f.SetTrace(2);
    EXPECT_GT(f.TraceByteOffset(0), 0);
    std::vector<uint8_t> buf(16);
    int64_t got = 9;
    EXPECT_EQ(f.ReadData(0, 4, buf, got, 0), -1);
    EXPECT_EQ(got, 0);
    desc.dataFormat = "Block";
    test::ProbeWaveFile b;
    ASSERT_EQ(b.Open(Write(desc, std::string(16, '\0'), "blk"), 0), -1);
    b.SetBlock(999);
    b.SetTrace(2);
    EXPECT_GT(b.TraceByteOffset(0), 0);
    desc.dataFormat = "Other";
    test::ProbeWaveFile o;
    ASSERT_EQ(o.Open(Write(desc, std::string(16, '\x02'), "oth"), 0), -1);
    EXPECT_EQ(Read(o, 0, 1, 1, 0, 4), (std::vector<uint32_t>{0x02020202}));
    EXPECT_EQ(f.ReadData(1, 0, 1, buf, got, 0), -1);
    o.SetTrace(1);
    EXPECT_EQ(o.TraceByteOffset(0), -1);  // no layout: only trace 0 of block 0
}

}  // namespace
}  // namespace kivelo
