#include <sys/stat.h>

#include "WaveFileFixture.h"
#include "wavefile/CHdrFile.h"

namespace kivelo {
namespace {

class HeaderTest : public test::WaveFileFixture {
protected:
    bool Loads(const std::string& text) {
        Put("h.hdr", text);
        return CHdrFile(dir.File("h.wvf")).IsLoaded();
    }
    // good with the first from replaced by to.
    std::string Edit(const std::string& from, const std::string& to) {
        std::string text = good;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    }
    std::string good = test::HeaderText(Simple({"IS2", "IS2"}, 10, 2));
};

// Headers the reader must refuse: counts that would ask for huge allocations, negative
// sizes, short lines, groups that do not add up, lost keys, endless lines.
TEST_F(HeaderTest, DamagedHeadersAreRefused) {
    ASSERT_TRUE(Loads(good));
    test::HeaderDesc wide = Simple({"IS2", "IS2", "IS2", "IS2", "IS2"}, 1, 1000000);  // 5 M sizes
    test::HeaderDesc qv6 = Simple({"IS2"}, 1);
    qv6.model = "QV6000";
    std::string qv6Text = test::HeaderText(qv6);
    const std::pair<const char*, std::string> cases[] = {
        {"trace total above bound", Edit("TraceTotalNumber 2", "TraceTotalNumber 99999999")},
        {"trace total not the sum", Edit("TraceTotalNumber 2", "TraceTotalNumber 3")},
        {"huge trace number", Edit("TraceNumber 2", "TraceNumber 2000000000")},
        {"negative trace number", Edit("TraceNumber 2", "TraceNumber -2")},
        {"more groups than traces", Edit("GroupNumber 1", "GroupNumber 5")},
        {"negative groups", Edit("GroupNumber 1", "GroupNumber -5")},
        {"huge block number", Edit("BlockNumber 2", "BlockNumber 999999999")},
        {"negative block number", Edit("BlockNumber 2", "BlockNumber -1")},
        {"no blocks", Edit("BlockNumber 2", "BlockNumber 0")},
        {"blocks x traces above bound", test::HeaderText(wide)},
        {"negative data offset", Edit("DataOffset 0", "DataOffset -4")},
        {"negative block size", Edit("BlockSize 10 10", "BlockSize 10 -10")},
        {"short VResolution", Edit("VResolution 1 1", "VResolution 1")},
        {"short BlockSize", Edit("BlockSize 10 10", "BlockSize 10")},
        {"short TraceName", Edit("TraceName CH1 CH2", "TraceName CH1")},
        {"no data types", Edit("VDataType IS2 IS2", "VDataType")},
        {"no model", Edit("Model QV700", "Model")},
        {"blank line before VResolution", Edit("VResolution", "\r\nVResolution")},
        {"line between TraceName and BlockSize", Edit("BlockSize", "Comment\r\nBlockSize")},
        {"Endian after DataFormat", Edit("Endian Ltl\r\nDataFormat Trace", "DataFormat Trace\r\nEndian Ltl")},
        {"QV6 without Date", qv6Text.substr(0, qv6Text.find("Date"))},
        {"half a header", good.substr(0, good.size() / 2)},
        {"empty", ""},
        {"binary", std::string(3000, '\0') + "\xff\xfe"},
        {"one endless line", std::string(2 << 20, 'M')},
        {"endless line inside", Edit("Model", std::string(2 << 20, 'x') + "\r\nModel")},
    };
    for (const auto& [what, text] : cases) EXPECT_FALSE(Loads(text)) << what;
}

TEST_F(HeaderTest, OddValuesParseSafely) {
    std::string odd = Edit("VResolution 1 1", "VResolution 1e999 abc");
    odd.replace(odd.find("BlockSize 10 10"), 15, "BlockSize 99999999999999999999 +7");
    odd.replace(odd.find("VDataType IS2 IS2"), 17, "VDataType I B-9");
    ASSERT_TRUE(Loads(odd));
    std::vector<HdrGroupInfo> g;
    CHdrFile(dir.File("h.wvf")).GetGroupInfo(g);
    EXPECT_EQ(g[0].BlockSize, (std::vector<int32_t>{2147483647, 7, 2147483647, 7}));
    EXPECT_EQ(g[0].VResolution[1], 0.0);
    EXPECT_EQ(g[0].DataWidth, (std::vector<int32_t>{0, 0}));
}

// Instrument media hold upper-case names; a folder under the lower-case header name
// (dir/wvf/X.WVF names dir/hdr) must count as missing.
TEST_F(HeaderTest, UpperCaseNamesFindTheirHeader) {
    ASSERT_EQ(::mkdir(dir.File("hdr").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(dir.File("wvf").c_str(), 0700), 0);
    for (const std::string name : {"WAVE1", "wvf/WAVE2"}) {
        SCOPED_TRACE(name);
        Put(name + ".HDR", good);
        CWaveFile f(Put(name + ".WVF", test::SampleBytes({42, 43}, 2, true)), 0);
        ASSERT_TRUE(f.IsOpen());
        EXPECT_EQ(f.GetHeader()->GetHeaderPath(), dir.File(name + ".HDR"));
        EXPECT_EQ(Read(f, 0, 1, 1), (std::vector<uint32_t>{43}));
    }
    EXPECT_FALSE(CHdrFile(dir.File("WAVE3.WVF")).IsLoaded());
}

}  // namespace
}  // namespace kivelo
