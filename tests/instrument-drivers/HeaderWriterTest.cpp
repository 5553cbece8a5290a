// Header writer layout, omission rules, block ranges and failures.
#include <gtest/gtest.h>

#include <climits>

#include "FakeSource.h"
#include "HeaderWriter.h"
#include "HeaderWriterLines.h"

namespace kivelo {
namespace {

using test::FakeSource;
using test::MemoryOutput;

std::string K(const std::string& key) { return key + std::string(20 - key.size(), ' '); }
std::string C(const std::string& value) { return value + std::string(16 - value.size(), ' '); }
std::string L(const std::string& text) { return text + "\r\n"; }

void SetTraces(FakeSource& source, int n) {
    source.traceCount = n;
    source.channels.clear();
    for (int i = 0; i < n; ++i) source.channels.push_back(static_cast<uint16_t>(i));
}

// The lines of the text that start with prefix.
std::vector<std::string> LinesStarting(const std::string& text, const std::string& prefix) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        const std::string line = text.substr(pos, end - pos);
        if (line.starts_with(prefix)) out.push_back(line);
        if (end == std::string::npos) break;
        pos = end + 2;
    }
    return out;
}

TEST(HeaderLines, ColumnsAndNumbers) {
    EXPECT_EQ(HeaderLines::KeyField("BlockSize1"), "BlockSize1          ");
    EXPECT_EQ(HeaderLines::Column("ABCDEFGHIJKLMNOPQRST"), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(HeaderLines::IntegerColumn(-12), "-12             ");
    EXPECT_EQ(HeaderLines::RealColumn(0.001), "1.0000000E-003  ");
    EXPECT_EQ(HeaderLines::RealColumn(-1.5e100), "-1.5000000E+100 ");
    EXPECT_EQ(HeaderLines::Token("  12 34\r"), "12_34");
    EXPECT_EQ(HeaderLines::Token(" \t"), "");
}

TEST(HeaderWriter, WholeHeaderOfTwoTracesByteForByte) {
    FakeSource source("out.hdr");
    SetTraces(source, 2);
    MemoryOutput out;
    ASSERT_EQ(WriteHeader(source, out), kHeaderWritten);
    EXPECT_EQ(out.path, "out.hdr");
    EXPECT_EQ(out.closes, 1);
    const auto both = [](const std::string& v) { return C(v) + C(v); };
    std::string expected = L("//ORVANTIS ASCII FILE FORMAT") + L("") + L("$PublicInfo") + L("") +
        L(K("FormatVersion") + "1.10") + L(K("Model") + "QV4300") + L(K("Endian") + "Big") +
        L(K("DataFormat") + "Trace") + L(K("GroupNumber") + "1") +
        L(K("TraceTotalNumber") + "2") + L(K("DataOffset") + "0") + L("") + L("$Group1") +
        L(K("TraceNumber") + "2") + L(K("BlockNumber") + "1") +
        L(K("TraceName") + C("Trace0") + C("Trace1")) + L(K("BlockSize") + C("1") + C("1001")) +
        L(K("VResolution") + C("1.0010000E-003") + C("2.0010000E-003")) +
        L(K("VOffset") + both("0.0000000E+000")) + L(K("VDataType") + both("IS2")) +
        L(K("VUnit") + both("V")) + L(K("VPlusOverData") + both("32768")) +
        L(K("VMinusOverData") + both("-32769")) + L(K("VIllegalData") + both("-32769")) +
        L(K("VMaxData") + both("32767")) + L(K("VMinData") + both("-32768")) +
        L(K("HResolution") + both("1.2345679E+000")) + L(K("HOffset") + both("1.2345679E+000")) +
        L(K("HUnit") + both("s")) + L(K("Date") + both("2026/12/11")) +
        L(K("Time") + both("00/00/00")) + L("") + L("$PrivateInfo") + L("") +
        L(K("ModelVersion") + "1.23") + L("");
    EXPECT_EQ(out.bytes, expected);
}

TEST(HeaderWriter, GroupsOfFourTraces) {
    for (const auto& [n, groups, lastCount] :
         std::vector<std::tuple<int, int, int>>{{5, 2, 1}, {8, 2, 4}, {4, 1, 4}, {9, 3, 1}}) {
        FakeSource source("out.hdr");
    SetTraces(source, n);
        MemoryOutput out;
        ASSERT_EQ(WriteHeader(source, out), kHeaderWritten);
        EXPECT_EQ(LinesStarting(out.bytes, "GroupNumber"),
                  std::vector<std::string>{K("GroupNumber") + std::to_string(groups)});
        const auto numbers = LinesStarting(out.bytes, "TraceNumber");
        ASSERT_EQ(numbers.size(), static_cast<std::size_t>(groups));
        for (int g = 0; g + 1 < groups; ++g) EXPECT_EQ(numbers[g], K("TraceNumber") + "4");
        EXPECT_EQ(numbers.back(), K("TraceNumber") + std::to_string(lastCount));
        const auto names = LinesStarting(out.bytes, "TraceName");
        EXPECT_EQ(names.back(), K("TraceName") + [&] {
            std::string s;
            for (int t = n - lastCount; t < n; ++t) s += C("Trace" + std::to_string(t));
            return s;
        }());
        EXPECT_EQ(LinesStarting(out.bytes, "$Group").size(), static_cast<std::size_t>(groups));
    }
}

TEST(HeaderWriter, PerBlockKeysAndBlockRanges) {
    // Ranges 1..3 and 2..3: BlockNumber 3.
    FakeSource source("out.hdr");
    SetTraces(source, 2);
    source.first = {{0, 1}, {1, 2}};
    source.count = {{0, 3}, {1, 2}};
    source.perBlock = {PerBlockKey::BlockSize, PerBlockKey::VResolution, PerBlockKey::Date};
    MemoryOutput out;
    ASSERT_EQ(WriteHeader(source, out), kHeaderWritten);
    EXPECT_EQ(LinesStarting(out.bytes, "BlockNumber"), std::vector<std::string>{K("BlockNumber") + "3"});
    EXPECT_EQ(LinesStarting(out.bytes, "BlockSize"),
              (std::vector<std::string>{K("BlockSize1") + C("1") + C("0"),
                                        K("BlockSize2") + C("2") + C("1002"),
                                        K("BlockSize3") + C("3") + C("1003")}));
    const auto vres = LinesStarting(out.bytes, "VResolution");
    ASSERT_EQ(vres.size(), 3u);
    EXPECT_EQ(vres[0], K("VResolution1") + C("1.0010000E-003") + C("?"));
    EXPECT_EQ(vres[1], K("VResolution2") + C("1.0020000E-003") + C("2.0020000E-003"));
    EXPECT_EQ(LinesStarting(out.bytes, "Date"),
              (std::vector<std::string>{K("Date1") + C("2026/12/11") + C("?"),
                                        K("Date2") + C("2026/12/12") + C("2026/12/12"),
                                        K("Date3") + C("2026/12/13") + C("2026/12/13")}));
    // Keys not per block: one bare line for the base block, "?" outside a range.
    EXPECT_EQ(LinesStarting(out.bytes, "VUnit"), std::vector<std::string>{K("VUnit") + C("V") + C("?")});
}

TEST(HeaderWriter, DescendingBlockNumbers) {
    FakeSource source("out.hdr");
    SetTraces(source, 1);
    source.step = -1;
    source.first = {{0, 0}};
    source.count = {{0, 3}};
    source.perBlock = {PerBlockKey::BlockSize};
    MemoryOutput out;
    ASSERT_EQ(WriteHeader(source, out), kHeaderWritten);
    EXPECT_EQ(LinesStarting(out.bytes, "BlockSize"),
              (std::vector<std::string>{K("BlockSize1") + C("0"), K("BlockSize2") + C("-1"),
                                        K("BlockSize3") + C("-2")}));
}

TEST(HeaderWriter, PerBlockWithOneBlockWritesTheBareKey) {
    FakeSource source("out.hdr");
    SetTraces(source, 1);
    source.perBlock = {PerBlockKey::BlockSize};
    MemoryOutput out;
    ASSERT_EQ(WriteHeader(source, out), kHeaderWritten);
    EXPECT_EQ(LinesStarting(out.bytes, "BlockSize"), std::vector<std::string>{K("BlockSize") + C("1")});
}

TEST(HeaderWriter, NamesAreCutToSixteenAndEmptyValuesEndLines) {
    FakeSource source("out.hdr");
    SetTraces(source, 3);
    source.names = {{0, "ABCDEFGHIJKLMNOPQRST"}, {1, "two words"}};
    source.dcOffset = {{0, "0.5"}, {2, "0.7"}};  // the second trace has none
    source.pNames = {{0, "P0"}, {1, "P1"}};
    MemoryOutput out;
    ASSERT_EQ(WriteHeader(source, out), kHeaderWritten);
    EXPECT_EQ(LinesStarting(out.bytes, "TraceName"),
              std::vector<std::string>{K("TraceName") + C("ABCDEFGHIJKLMNOP") + C("two_words") +
                                       C("Trace2")});
    EXPECT_EQ(LinesStarting(out.bytes, "DCOffset"), std::vector<std::string>{K("DCOffset") + C("0.5")});
    EXPECT_EQ(LinesStarting(out.bytes, "PTraceName"),
              std::vector<std::string>{K("PTraceName") + C("P0") + C("P1")});
}

TEST(HeaderWriter, MissingPrivateValuesAreLeftOutAndEmptyPTraceNameLeavesAnEmptyLine) {
    FakeSource source("out.hdr");
    SetTraces(source, 2);
    MemoryOutput out;
    ASSERT_EQ(WriteHeader(source, out), kHeaderWritten);
    EXPECT_TRUE(LinesStarting(out.bytes, "DCOffset").empty());
    EXPECT_EQ(LinesStarting(out.bytes, "Form").size(), 1u);  // FormatVersion only
    EXPECT_TRUE(out.bytes.ends_with(L(K("ModelVersion") + "1.23") + L("")));

    // An empty first trace name gives an empty line in place of the key line.
    source.names = {{0, ""}};
    MemoryOutput named;
    ASSERT_EQ(WriteHeader(source, named), kHeaderWritten);
    EXPECT_NE(named.bytes.find(L(K("BlockNumber") + "1") + L("") + K("BlockSize")), std::string::npos);
}

TEST(HeaderWriter, FormIsWrittenWithoutItsColumnFill) {
    FakeSource source("out.hdr");
    SetTraces(source, 1);
    source.form = "XY";
    source.function = "MATH";
    MemoryOutput out;
    ASSERT_EQ(WriteHeader(source, out), kHeaderWritten);
    EXPECT_NE(out.bytes.find(L("FormXY") + L(K("Function") + "MATH")), std::string::npos);
}

TEST(HeaderWriter, PrivateSectionOnlyWhenSwitchedOn) {
    FakeSource source("x.hdr", HeaderSwitches{.privateSection = false});
    source.traceCount = 1;
    source.channels = {0};
    MemoryOutput out;
    ASSERT_EQ(WriteHeader(source, out), kHeaderWritten);
    EXPECT_EQ(out.bytes.find("$PrivateInfo"), std::string::npos);

    FakeSource media("x.hdr", HeaderSwitches{.mediaSection = true, .dataAppend = true});
    MemoryOutput mediaOut;
    ASSERT_EQ(WriteHeader(media, mediaOut), kHeaderWritten);
    EXPECT_NE(mediaOut.bytes.find("$MediaInfo\r\n\r\n" + K("MediaNo.") + "1\r\n" +
                                  K("MGroupNumber") + "0\r\n" + K("MTraceTotalNumber") + "0\r\n"),
              std::string::npos);
}

TEST(HeaderWriter, NoTracesStillGivesAReadableHeader) {
    FakeSource source("out.hdr");
    SetTraces(source, 0);
    MemoryOutput out;
    ASSERT_EQ(WriteHeader(source, out), kHeaderWritten);
    EXPECT_EQ(LinesStarting(out.bytes, "GroupNumber"), std::vector<std::string>{K("GroupNumber") + "0"});
    EXPECT_EQ(out.bytes.find("$Group1"), std::string::npos);
}

TEST(HeaderWriter, BadDataFormatStopsAfterItsKey) {
    FakeSource source("out.hdr");
    SetTraces(source, 1);
    source.dataFormat = 3;
    MemoryOutput out;
    EXPECT_EQ(WriteHeader(source, out), kHeaderBadDataFormat);
    EXPECT_TRUE(out.bytes.ends_with(L(K("Endian") + "Big") + K("DataFormat")));
    EXPECT_EQ(out.closes, 1);
}

TEST(HeaderWriter, FailuresStopAtOnceAndCloseTheOutput) {
    {
        FakeSource source("out.hdr");
    SetTraces(source, 2);
        source.gate = [](const std::string& op) { return op == "BlockSize" ? 0 : -1; };
        MemoryOutput out;
        EXPECT_EQ(WriteHeader(source, out), 0);
        EXPECT_EQ(out.closes, 1);
        EXPECT_TRUE(out.bytes.ends_with(L(K("TraceName") + C("Trace0") + C("Trace1"))));
    }
    {
        FakeSource source("out.hdr");
    SetTraces(source, 2);
        MemoryOutput out;
        out.writesBeforeFailure = 5;
        EXPECT_EQ(WriteHeader(source, out), 0);
        EXPECT_EQ(out.closes, 1);
    }
    {
        FakeSource source("out.hdr");
    SetTraces(source, 2);
        MemoryOutput out;
        out.writesBeforeFailure = 20;
        out.failureKind = CHeaderOutput::WriteResult::Cancelled;
        EXPECT_EQ(WriteHeader(source, out), kHeaderCancelled);
    }
    {
        FakeSource source("out.hdr");
    SetTraces(source, 2);
        MemoryOutput out;
        out.refuseOpen = true;
        EXPECT_EQ(WriteHeader(source, out), 0);
        EXPECT_TRUE(out.bytes.empty());
    }
}

TEST(HeaderWriter, ImplausibleAnswersAreRefusedBeforeAnyGroup) {
    const auto refused = [](FakeSource& source) {
        MemoryOutput out;
        const int r = WriteHeader(source, out);
        EXPECT_EQ(out.bytes.find("$Group"), std::string::npos);
        return r;
    };
    FakeSource tooMany("out.hdr");
    SetTraces(tooMany, 101);
    EXPECT_EQ(refused(tooMany), kHeaderBadAnswer);
    FakeSource negative("out.hdr");
    SetTraces(negative, 0);
    negative.traceCount = -1;
    EXPECT_EQ(refused(negative), kHeaderBadAnswer);
    FakeSource shortList("out.hdr");
    SetTraces(shortList, 3);
    shortList.channels.pop_back();
    EXPECT_EQ(refused(shortList), kHeaderBadAnswer);
    FakeSource badStep("out.hdr");
    SetTraces(badStep, 1);
    badStep.step = 2;
    EXPECT_EQ(refused(badStep), kHeaderBadAnswer);
    FakeSource noBlocks("out.hdr");
    SetTraces(noBlocks, 2);
    noBlocks.count = {{0, 0}, {1, -5}};
    EXPECT_EQ(refused(noBlocks), kHeaderBadAnswer);
    FakeSource hugeRange("out.hdr");
    SetTraces(hugeRange, 1);
    hugeRange.first = {{0, INT_MIN}};
    hugeRange.count = {{0, INT_MAX}};
    EXPECT_EQ(refused(hugeRange), kHeaderBadAnswer);
    FakeSource pastIntRange("out.hdr");
    SetTraces(pastIntRange, 1);
    pastIntRange.first = {{0, INT_MAX}};
    pastIntRange.count = {{0, 2}};
    EXPECT_EQ(refused(pastIntRange), kHeaderBadAnswer);
    FakeSource largest("out.hdr");
    SetTraces(largest, 1);
    largest.count = {{0, kMaxHeaderBlocks}};
    MemoryOutput out;
    EXPECT_EQ(WriteHeader(largest, out), kHeaderWritten);
}

TEST(HeaderWriter, BaseAnswersMakeAHeaderToo) {
    CInstrument base;
    MemoryOutput out;
    ASSERT_EQ(WriteHeader(base, out), kHeaderWritten);
    EXPECT_EQ(out.path, std::string(CInstrument::kDefaultHeaderPath));
    EXPECT_EQ(LinesStarting(out.bytes, "TraceTotalNumber"),
              std::vector<std::string>{K("TraceTotalNumber") + "8"});
    EXPECT_EQ(LinesStarting(out.bytes, "TraceName")[0],
              K("TraceName") + C("Trace0") + C("Trace2") + C("Trace4") + C("Trace6"));
}

}  // namespace
}  // namespace kivelo
