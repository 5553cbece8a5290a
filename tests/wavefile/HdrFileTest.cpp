#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "CHdrFile.h"
#include "TestFiles.h"

namespace kivelo {
namespace {

using test::GroupDesc;
using test::HeaderDesc;

GroupDesc TwoTraces() {
    GroupDesc g;
    g.names = {"CH1", "CH2"};
    g.blocks = 1;
    g.sizes = {{100, 200}};
    g.types = {"IS2", "IU1"};
    g.vres = {0.001, 1.0000000E-03};
    g.voff = {-5.0, 0.0};
    g.dateLines = {"Date 98/07/01 98/07/01"};
    g.timeLines = {"Time 12:00:00 12:00:00"};
    return g;
}

class HdrFileTest : public ::testing::Test {
protected:
    // Writes name.hdr and returns the path of the matching data file name.wvf.
    std::string WriteHeader(const std::string& text, const std::string& name = "wave1") {
        dir.Write(name + ".hdr", text);
        return dir.Path(name + ".wvf");
    }
    test::TempDir dir;
};

TEST_F(HdrFileTest, ReadsPublicGroupModelAndPrivateParts) {
    HeaderDesc desc;
    desc.groups = {TwoTraces()};
    desc.privatePart = true;
    std::string text = test::HeaderText(desc);
    text.replace(0, text.find("\r\n"), "// some other first line");
    CHdrFile h(WriteHeader(text));
    ASSERT_TRUE(h.IsLoaded());
    EXPECT_EQ(h.GetHeaderPath(), dir.Path("wave1.hdr"));
    HdrPublicInfo pub;
    ASSERT_EQ(h.GetPublicInfo(pub), -1);
    EXPECT_EQ(pub.Model, "QV700");
    EXPECT_EQ(pub.Endian, "Ltl");
    EXPECT_EQ(pub.DataFormat, "Trace");
    EXPECT_EQ(pub.GroupNumber, 1);
    EXPECT_EQ(pub.TraceTotalNumber, 2);
    std::vector<HdrGroupInfo> groups;
    ASSERT_EQ(h.GetGroupInfo(groups), -1);
    ASSERT_EQ(groups.size(), 1u);
    const HdrGroupInfo& g = groups[0];
    EXPECT_EQ(g.TraceName, (std::vector<std::string>{"CH1", "CH2"}));
    EXPECT_EQ(g.BlockSize, (std::vector<int32_t>{100, 200}));
    EXPECT_DOUBLE_EQ(g.VResolution[1], 0.001);
    EXPECT_DOUBLE_EQ(g.VOffset[0], -5.0);
    EXPECT_EQ(g.DataWidth, (std::vector<int32_t>{2, 1}));
    EXPECT_EQ(g.DataKind, (std::vector<int32_t>{kKindSigned, kKindUnsigned}));
    EXPECT_EQ(g.Date, (std::vector<std::string>{"98/07/01"}));
    EXPECT_EQ(g.Time, (std::vector<std::string>{"12:00:00"}));
    HdrModelInfo model;
    ASSERT_EQ(h.GetModelInfo(model), -1);
    EXPECT_EQ(model.ModelVersion, "1.02");
    EXPECT_EQ(model.InputModule, (std::vector<std::string>{"M1", "M1"}));
    HdrPrivateInfo priv;
    ASSERT_EQ(h.GetPrivateInfo(priv), -1);
    EXPECT_EQ(priv.Valid, 1);
    EXPECT_EQ(priv.DspChAttrPresent, 1);
    EXPECT_EQ(priv.PPDataOffset, 100);
    EXPECT_EQ(priv.DspDataSize, 50);
    EXPECT_EQ(priv.DspChAttr, 7);
}

TEST_F(HdrFileTest, MissingOptionalPartsAndBareLineFeeds) {
    HeaderDesc desc;
    desc.groups = {TwoTraces()};
    desc.modelPart = false;
    std::string lf;
    for (char c : test::HeaderText(desc))
        if (c != '\r') lf += c;
    CHdrFile h(WriteHeader(lf));
    ASSERT_TRUE(h.IsLoaded());
    HdrModelInfo model;
    h.GetModelInfo(model);
    EXPECT_EQ(model.ModelVersion, "???");
    EXPECT_TRUE(model.InputModule.empty());
    HdrPrivateInfo priv;
    h.GetPrivateInfo(priv);
    EXPECT_EQ(priv.Valid, 0);

    // Some private keys only: the values found so far remain, the flags stay 0.
    desc.modelPart = true;
    CHdrFile p(WriteHeader(test::HeaderText(desc) + "AcqDataOffset 5\r\nPPDataOffset 6\r\n", "p"));
    ASSERT_TRUE(p.IsLoaded());
    p.GetPrivateInfo(priv);
    EXPECT_EQ(priv.Valid, 0);
    EXPECT_EQ(priv.DspChAttrPresent, 0);
    EXPECT_EQ(priv.AcqDataOffset, 5);
    EXPECT_EQ(priv.PPDataOffset, 6);
}

TEST_F(HdrFileTest, ModelVersionWithoutInputModuleGivesEmptyTexts) {
    HeaderDesc desc;
    desc.groups = {TwoTraces()};
    desc.modelPart = false;
    CHdrFile h(WriteHeader(test::HeaderText(desc) + "ModelVersion\r\n"));
    ASSERT_TRUE(h.IsLoaded());
    HdrModelInfo model;
    h.GetModelInfo(model);
    EXPECT_EQ(model.ModelVersion, "???");
    EXPECT_EQ(model.InputModule, (std::vector<std::string>{"", ""}));
}

TEST_F(HdrFileTest, BlockSizeRunRule) {
    GroupDesc g = TwoTraces();
    g.blocks = 3;
    g.sizes = {{10, 20}};
    HeaderDesc desc;
    desc.groups = {g};
    CHdrFile one(WriteHeader(test::HeaderText(desc), "one"));
    ASSERT_TRUE(one.IsLoaded());
    std::vector<HdrGroupInfo> groups;
    one.GetGroupInfo(groups);
    EXPECT_EQ(groups[0].BlockSize, (std::vector<int32_t>{10, 20, 10, 20, 10, 20}));

    // A short run of two lines: every block still takes the first line's sizes.
    desc.groups[0].sizes = {{10, 20}, {30, 40}};
    CHdrFile two(WriteHeader(test::HeaderText(desc), "two"));
    ASSERT_TRUE(two.IsLoaded());
    two.GetGroupInfo(groups);
    EXPECT_EQ(groups[0].BlockSize, (std::vector<int32_t>{10, 20, 10, 20, 10, 20}));

    desc.groups[0].sizes = {{10, 20}, {30, 40}, {50, 60}};
    CHdrFile full(WriteHeader(test::HeaderText(desc), "full"));
    ASSERT_TRUE(full.IsLoaded());
    full.GetGroupInfo(groups);
    EXPECT_EQ(groups[0].BlockSize, (std::vector<int32_t>{10, 20, 30, 40, 50, 60}));
}

TEST_F(HdrFileTest, LineAfterBlockSizesMustBeVResolution) {
    GroupDesc g = TwoTraces();
    g.blocks = 2;
    g.sizes = {{10, 20}, {30, 40}};
    HeaderDesc desc;
    desc.groups = {g};
    std::string text = test::HeaderText(desc);
    std::string blank = text;
    blank.insert(blank.find("VResolution"), "\r\n");
    EXPECT_FALSE(CHdrFile(WriteHeader(blank, "blank")).IsLoaded());
    // TraceName not followed by BlockSize: no sizes at all.
    std::string gap = text;
    gap.insert(gap.find("BlockSize"), "Comment\r\n");
    EXPECT_FALSE(CHdrFile(WriteHeader(gap, "gap")).IsLoaded());
    EXPECT_TRUE(CHdrFile(WriteHeader(text, "ok")).IsLoaded());
}

TEST_F(HdrFileTest, DataTypeDecoding) {
    GroupDesc g;
    g.names = {"a", "b", "c", "d", "e", "f", "g"};
    g.sizes = {{1, 1, 1, 1, 1, 1, 1}};
    g.types = {"IU2", "IS2", "B16", "FS4", "XX", "B12", "B8"};
    HeaderDesc desc;
    desc.groups = {g};
    CHdrFile h(WriteHeader(test::HeaderText(desc)));
    ASSERT_TRUE(h.IsLoaded());
    std::vector<HdrGroupInfo> groups;
    h.GetGroupInfo(groups);
    EXPECT_EQ(groups[0].DataWidth, (std::vector<int32_t>{2, 2, 2, 4, 0, 2, 1}));
    EXPECT_EQ(groups[0].DataKind, (std::vector<int32_t>{3, 0, 2, 1, 4, 2, 2}));
}

TEST_F(HdrFileTest, SharedDateRuleOfQv31AndPerBlockRuleOfOthers) {
    GroupDesc g = TwoTraces();
    g.blocks = 2;
    g.sizes = {{10, 20}};
    g.dateLines = {"Date ???? 98/07/01 98/07/01", "Date 98/07/02"};
    g.timeLines = {"Time ?? 10:00:00", "Time 11:00:00"};
    HeaderDesc desc;
    desc.model = "QV3100";
    desc.groups = {g};
    CHdrFile qv31(WriteHeader(test::HeaderText(desc), "qv31"));
    ASSERT_TRUE(qv31.IsLoaded());
    std::vector<HdrGroupInfo> groups;
    qv31.GetGroupInfo(groups);
    EXPECT_EQ(groups[0].Date, (std::vector<std::string>{"98/07/01", "98/07/01"}));
    EXPECT_EQ(groups[0].Time, (std::vector<std::string>{"10:00:00", "10:00:00"}));

    desc.model = "QV700";
    CHdrFile other(WriteHeader(test::HeaderText(desc), "other"));
    ASSERT_TRUE(other.IsLoaded());
    other.GetGroupInfo(groups);
    EXPECT_EQ(groups[0].Date, (std::vector<std::string>{"????", "98/07/02"}));
    EXPECT_EQ(groups[0].Time, (std::vector<std::string>{"??", "11:00:00"}));

    // Missing stamps: no failure for other models, failure for QV31/QV6.
    desc.groups[0].dateLines.clear();
    desc.groups[0].timeLines.clear();
    desc.modelPart = false;
    CHdrFile bare(WriteHeader(test::HeaderText(desc), "bare"));
    ASSERT_TRUE(bare.IsLoaded());
    bare.GetGroupInfo(groups);
    EXPECT_EQ(groups[0].Date, (std::vector<std::string>{"", ""}));
    desc.model = "QV6000";
    EXPECT_FALSE(CHdrFile(WriteHeader(test::HeaderText(desc), "bare6")).IsLoaded());
}

TEST_F(HdrFileTest, Qv6DropsUnrecognisedTraces) {
    GroupDesc g;
    g.names = {"A", "B", "C"};
    g.blocks = 2;
    g.sizes = {{1, 2, 3}, {4, 5, 6}};
    g.types = {"IS2", "XX", "IU2"};
    g.vres = {1, 2, 3};
    g.dateLines = {"Date 01/01/01"};
    g.timeLines = {"Time 00:00:01"};
    HeaderDesc desc;
    desc.model = "QV6100";
    desc.groups = {g};
    CHdrFile h(WriteHeader(test::HeaderText(desc)));
    ASSERT_TRUE(h.IsLoaded());
    HdrPublicInfo pub;
    h.GetPublicInfo(pub);
    EXPECT_EQ(pub.TraceTotalNumber, 2);
    std::vector<HdrGroupInfo> groups;
    h.GetGroupInfo(groups);
    const HdrGroupInfo& r = groups[0];
    EXPECT_EQ(r.TraceNumber, 2);
    EXPECT_EQ(r.TraceName, (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(r.BlockSize, (std::vector<int32_t>{1, 3, 4, 6}));
    EXPECT_EQ(r.VResolution, (std::vector<double>{1, 3}));
    EXPECT_EQ(r.DataKind, (std::vector<int32_t>{0, 3}));
    EXPECT_EQ(r.Date.size(), 2u);
    HdrModelInfo model;
    h.GetModelInfo(model);
    EXPECT_EQ(model.InputModule.size(), 3u);  // left as it was
}

TEST_F(HdrFileTest, KeyOrderMattersAndPrefixMatches) {
    HeaderDesc desc;
    desc.groups = {TwoTraces()};
    std::string text = test::HeaderText(desc);
    // "Model" also matches a line beginning with "ModelVersion" placed before it.
    std::string early = text;
    early.insert(early.find("Model "), "ModelVersion 9\r\n");
    CHdrFile h(WriteHeader(early, "early"));
    ASSERT_TRUE(h.IsLoaded());
    HdrPublicInfo pub;
    h.GetPublicInfo(pub);
    EXPECT_EQ(pub.Model, "9");
    // A key standing too early is lost.
    std::string swapped = text;
    std::string endian = "Endian Ltl\r\n";
    swapped.erase(swapped.find(endian), endian.size());
    swapped.insert(swapped.find("DataOffset"), endian);
    EXPECT_FALSE(CHdrFile(WriteHeader(swapped, "swapped")).IsLoaded());
}

TEST_F(HdrFileTest, TextValuesAreCutTo19Characters) {
    GroupDesc g = TwoTraces();
    g.names = {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "x"};
    HeaderDesc desc;
    desc.groups = {g};
    CHdrFile h(WriteHeader(test::HeaderText(desc)));
    ASSERT_TRUE(h.IsLoaded());
    std::vector<HdrGroupInfo> groups;
    h.GetGroupInfo(groups);
    EXPECT_EQ(groups[0].TraceName[0], "ABCDEFGHIJKLMNOPQRS");
}

TEST_F(HdrFileTest, HeaderNameRule) {
    EXPECT_EQ(CHdrFile::HeaderNameFor("C:\\data\\wave1.wvf"), "C:\\data\\wave1.hdr");
    EXPECT_EQ(CHdrFile::HeaderNameFor("C:\\wvf\\a.wvf"), "C:\\hdr");
    EXPECT_EQ(CHdrFile::HeaderNameFor("/d/wvf/x.rtm"), "/d/wvf/x.hdr");  // "rtm" first
    EXPECT_EQ(CHdrFile::HeaderNameFor("/d/x.WVF"), "");
    EXPECT_EQ(CHdrFile::HeaderNameFor("/d/x.fld"), "");
    EXPECT_FALSE(CHdrFile(dir.Path("x.fld")).IsLoaded());
}

TEST_F(HdrFileTest, UpperCaseNamesFindUpperCaseHeader) {
    HeaderDesc desc;
    desc.groups = {TwoTraces()};
    dir.Write("WAVE1.HDR", test::HeaderText(desc));
    CHdrFile h(dir.Path("WAVE1.WVF"));
    ASSERT_TRUE(h.IsLoaded());
    EXPECT_EQ(h.GetHeaderPath(), dir.Path("WAVE1.HDR"));
    EXPECT_FALSE(CHdrFile(dir.Path("WAVE2.WVF")).IsLoaded());
}

TEST_F(HdrFileTest, FolderUnderTheLowerCaseNameIsNoHeader) {
    // dir/wvf/WAVE1.WVF: the lower-case rule names dir/hdr, here a folder, which
    // must count as missing so that the upper-case name is tried.
    ASSERT_EQ(::mkdir(dir.Path("hdr").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(dir.Path("wvf").c_str(), 0700), 0);
    HeaderDesc desc;
    desc.groups = {TwoTraces()};
    dir.Write("wvf/WAVE1.HDR", test::HeaderText(desc));
    CHdrFile h(dir.Path("wvf/WAVE1.WVF"));
    ASSERT_TRUE(h.IsLoaded());
    EXPECT_EQ(h.GetHeaderPath(), dir.Path("wvf/WAVE1.HDR"));
}

TEST_F(HdrFileTest, FolderNamedLikeAnExtensionDoesNotHideTheHeader) {
    // dir/wvf-data/a.wvf: the first "wvf" is in the folder name, so the rule names
    // dir/hdr; the header beside the data file is found all the same.
    ASSERT_EQ(::mkdir(dir.Path("wvf-data").c_str(), 0700), 0);
    HeaderDesc desc;
    desc.groups = {TwoTraces()};
    dir.Write("wvf-data/a.hdr", test::HeaderText(desc));
    CHdrFile h(dir.Path("wvf-data/a.wvf"));
    ASSERT_TRUE(h.IsLoaded());
    EXPECT_EQ(h.GetHeaderPath(), dir.Path("wvf-data/a.hdr"));
    EXPECT_FALSE(CHdrFile(dir.Path("wvf-data/b.wvf")).IsLoaded());
}

TEST_F(HdrFileTest, NotLoadedReaderGivesNothing) {
    CHdrFile h(dir.Path("missing.wvf"));
    EXPECT_FALSE(h.IsLoaded());
    HdrPublicInfo pub;
    std::vector<HdrGroupInfo> groups;
    HdrModelInfo model;
    HdrPrivateInfo priv;
    EXPECT_EQ(h.GetPublicInfo(pub), 0);
    EXPECT_EQ(h.GetGroupInfo(groups), 0);
    EXPECT_EQ(h.GetModelInfo(model), 0);
    EXPECT_EQ(h.GetPrivateInfo(priv), 0);
}

}  // namespace
}  // namespace kivelo
