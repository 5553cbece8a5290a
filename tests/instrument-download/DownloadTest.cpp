#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <unistd.h>
#include <vector>

#include "Download.h"
#include "DownloadPlan.h"
#include "DownloadResult.h"
#include "FakeInstrument.h"
#include "TestDir.h"

namespace kivelo::test {
namespace {

// An instrument answer "*IDN?": eight-character maker, comma, six-digit code.
std::string Idn(const std::string& code)
{
    return "KIVELOSM," + code + ",00,1.23";
}

std::string Expected(const std::vector<int>& channels, const std::vector<int64_t>& records,
                     int64_t points)
{
    std::string out;
    for (int c : channels)
        for (int64_t r : records)
            for (int64_t i = 0; i < points; ++i) {
                const uint16_t v = FakeInstrument::Sample(c, r, i);
                out += static_cast<char>(v >> 8);
                out += static_cast<char>(v & 0xFF);
            }
    return out;
}

size_t CountCommands(const std::vector<std::string>& commands, const std::string& prefix)
{
    return static_cast<size_t>(std::count_if(commands.begin(), commands.end(), [&](const auto& c) {
        return c.rfind(prefix, 0) == 0;
    }));
}

// A QV6010 with channels 1, 3 and 4 on, 3 N-single records of 50 points.
class DownloadTest : public ::testing::TestWithParam<BlockFraming> {
protected:
    DownloadTest() : port(GetParam())
    {
        port.answers = {{"*IDN?", Idn("512010")}, {"CHAN2:MODE?", "0"},
                        {"TRIG:NSIN:DCOU?", "3"}, {"WAV:LENG?", "50"}};
        port.blockPoints = 50;
        target.portCode = GetParam() == BlockFraming::kEndByEoi ? 4 : 0x2505A;
        control.cancel = &cancel;
        control.settle = std::chrono::milliseconds(0);
    }

    int Download() { return DownloadToFiles(port, target, base, plan, control); }

    FakeInstrument port;
    CommTarget target;
    DownloadPlan plan;
    DownloadControl control;
    std::atomic<bool> cancel{false};
    TestDir dir;
    std::string base = dir.File("out");
};

TEST_P(DownloadTest, QueryLearnsWhatThereIsToFetch)
{
    DownloadInfo info;
    ASSERT_EQ(QueryInstrument(port, target, plan, info), kDownloadOk);
    EXPECT_EQ(info.model, 6010);
    EXPECT_EQ(info.traceCount, 3);
    EXPECT_EQ(info.length, 50);
    EXPECT_EQ(info.totalPoints, 3 * 3 * 50);
    EXPECT_EQ(port.commands.at(0), "*IDN?");
    EXPECT_EQ(CountCommands(port.commands, "STOP"), 1u);
    EXPECT_EQ(port.closeCount, 1);
    EXPECT_FALSE(port.isOpen);
    EXPECT_NE(access("SMP_TEMP.HDR", F_OK), 0);  // the scratch header never lands in the cwd
}

// A negative record length counts as no points at all, in the answer and the
// message that refuses it.
TEST_P(DownloadTest, NegativeLengthCountsAsZero)
{
    port.answers["WAV:LENG?"] = "-5";
    DownloadInfo info;
    ASSERT_EQ(QueryInstrument(port, target, plan, info), kDownloadOk);
    EXPECT_EQ(info.length, 0);
    EXPECT_EQ(info.totalPoints, 0);
    EXPECT_EQ(TooFewPointsMessage(info.model, info.traceCount, info.length),
              "MODEL: 6010\nNUMBER OF CH: 3\nDATA LENGTH: 0\n\n More than 20 data is required!");
}

TEST_P(DownloadTest, QueryFailures)
{
    DownloadInfo info;
    port.answers["*IDN?"] = Idn("999999");
    EXPECT_EQ(QueryInstrument(port, target, plan, info), kDownloadNoAnswer);
    EXPECT_EQ(port.commands, std::vector<std::string>{"*IDN?"});  // nothing after an unknown code
    EXPECT_EQ(info.model, 0);

    port.answers.erase("*IDN?");
    port.commands.clear();
    port.failWriteText = "*IDN?";
    EXPECT_EQ(QueryInstrument(port, target, plan, info), kDownloadNoAnswer);

    port.answers["*IDN?"] = Idn("512010");
    port.failWriteText = "STOP";
    EXPECT_EQ(QueryInstrument(port, target, plan, info), kDownloadPortError);

    port.failWriteText.clear();
    port.failOpen = 1;
    EXPECT_EQ(QueryInstrument(port, target, plan, info), kDownloadNoAnswer);
}

TEST_P(DownloadTest, TracesThenRecordsInOrder)
{
    int64_t lastDone = -1;
    int64_t lastTotal = -1;
    control.progress = [&](int64_t done, int64_t total) {
        lastDone = done;
        lastTotal = total;
    };
    ASSERT_EQ(Download(), kDownloadOk);
    EXPECT_EQ(ReadWholeFile(base + ".wvf"), Expected({1, 3, 4}, {1, 2, 3}, 50));
    EXPECT_NE(ReadWholeFile(base + ".hdr").find("TraceTotalNumber"), std::string::npos);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"out.hdr", "out.wvf"}));
    EXPECT_EQ(lastDone, 3 * 3 * 50 * 2);
    EXPECT_EQ(lastTotal, lastDone);

    // The transfer starts after the acquisition is stopped.
    const auto stop = std::find(port.commands.begin(), port.commands.end(), "STOP");
    ASSERT_NE(stop, port.commands.end());
    const auto first = stop + 1;
    ASSERT_GE(std::distance(first, port.commands.end()), 9);
    const std::vector<std::string> expected{
        "WAV:TRAC 1", "WAV:STAR 0;END 100200;FORM WORD;DAT ACQD;BYT MSBF",
        "TRIG:NSIN:DCOU 1", "WAV:SEND?", "TRIG:NSIN:DCOU 2", "WAV:SEND?",
        "TRIG:NSIN:DCOU 3", "WAV:SEND?", "WAV:TRAC 3"};
    EXPECT_EQ(std::vector<std::string>(first, first + 9), expected);
    EXPECT_EQ(port.closeCount, 1);
}

TEST_P(DownloadTest, SingleRecordSendsNoRecordSelection)
{
    port.answers["TRIG:NSIN:DCOU?"] = "1";
    ASSERT_EQ(Download(), kDownloadOk);
    EXPECT_EQ(CountCommands(port.commands, "TRIG:NSIN:DCOU "), 0u);
    EXPECT_EQ(CountCommands(port.commands, "WAV:SEND?"), 3u);
    EXPECT_EQ(ReadWholeFile(base + ".wvf").size(), 3u * 50 * 2);
}

TEST_P(DownloadTest, AnyFaultMidTransferLeavesNoFiles)
{
    for (BlockFault fault : {BlockFault::kGarbledHeader, BlockFault::kBadDigits,
                             BlockFault::kShortBlock, BlockFault::kLongBlock,
                             BlockFault::kStopMidBlock}) {
        SCOPED_TRACE(static_cast<int>(fault));
        port.fault = fault;
        port.faultBlock = 4;
        port.blocksServed = 0;
        EXPECT_EQ(Download(), kDownloadPortError);
        EXPECT_TRUE(dir.Entries().empty());
        EXPECT_FALSE(port.isOpen);
    }
}

TEST_P(DownloadTest, CancelGivesInterruptedAndNoFiles)
{
    port.onSend = [&](int block) {
        if (block == 2)
            cancel = true;
    };
    EXPECT_EQ(Download(), kDownloadInterrupted);
    EXPECT_TRUE(dir.Entries().empty());
    EXPECT_FALSE(port.isOpen);
    // A stale request does not stop the next download.
    port.onSend = nullptr;
    EXPECT_EQ(Download(), kDownloadOk);
}

TEST_P(DownloadTest, ExistingFilesAreNeverReplaced)
{
    WriteWholeFile(base + ".hdr", "mine");
    EXPECT_EQ(Download(), kDownloadFileError);
    EXPECT_EQ(ReadWholeFile(base + ".hdr"), "mine");
    EXPECT_TRUE(port.commands.empty());
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"out.hdr"});

    TestDir other;
    WriteWholeFile(other.File("out.wvf"), "data");
    EXPECT_EQ(DownloadToFiles(port, target, other.File("out"), plan, control), kDownloadFileError);
    EXPECT_EQ(other.Entries(), std::vector<std::string>{"out.wvf"});
}

TEST_P(DownloadTest, UnwritableFolderIsAFileError)
{
    EXPECT_EQ(DownloadToFiles(port, target, dir.File("missing/out"), plan, control),
              kDownloadFileError);
}

TEST_P(DownloadTest, SilentInstrument)
{
    port.answers.erase("*IDN?");
    port.failWriteText = "*IDN?";
    EXPECT_EQ(Download(), kDownloadNoAnswer);
    EXPECT_TRUE(dir.Entries().empty());
}

TEST_P(DownloadTest, FailedStopRemovesTheHeader)
{
    port.failWriteText = "STOP";
    EXPECT_EQ(Download(), kDownloadPortError);
    EXPECT_TRUE(dir.Entries().empty());
}

INSTANTIATE_TEST_SUITE_P(Framing, DownloadTest,
                         ::testing::Values(BlockFraming::kEndByEoi, BlockFraming::kEndByLineFeed),
                         [](const auto& info) {
                             return info.param == BlockFraming::kEndByEoi ? "Gpib" : "Serial";
                         });

// The record-selection commands of the other families.
TEST(DownloadFamilies, RecorderSelectsRecordsByNumber)
{
    FakeInstrument port(BlockFraming::kEndByEoi);
    port.answers = {{"*IDN?", Idn("514101")}, {"*OPT?", "2"}, {"HIST:DISP?", "5,3"},
                    {"WAV:LENG?", "30"}};
    port.blockPoints = 30;
    TestDir dir;
    DownloadPlan plan;
    DownloadControl control;
    ASSERT_EQ(DownloadToFiles(port, CommTarget{1, {}}, dir.File("rec"), plan, control), kDownloadOk);
    EXPECT_EQ(ReadWholeFile(dir.File("rec.wvf")), Expected({1, 2}, {3, 4, 5}, 30));
    EXPECT_EQ(CountCommands(port.commands, "WAV:STAR 0;END 128256000;FORM WORD;BYT MSBF"), 3u);
}

TEST(DownloadFamilies, DisplayCountFamilyWalksBackFromTheOldest)
{
    FakeInstrument port(BlockFraming::kEndByLineFeed);
    port.answers = {{"*IDN?", Idn("516002")}, {"ACQ:HIST?", "1"}, {"TRIG:MODE?", "NSINGLE"},
                    {"DISP:COUN?", "-2"}, {"CHAN3:MODE?", "0"}, {"CHAN4:MODE?", "0"},
                    {"WAV:LENG?", "25"}};
    port.blockPoints = 25;
    TestDir dir;
    DownloadPlan plan;
    DownloadControl control;
    control.settle = std::chrono::milliseconds(0);
    ASSERT_EQ(DownloadToFiles(port, CommTarget{0x25059, {}}, dir.File("hist"), plan, control),
              kDownloadOk);
    EXPECT_EQ(ReadWholeFile(dir.File("hist.wvf")), Expected({1, 2}, {-2, -1, 0}, 25));
}

}  // namespace
}  // namespace kivelo::test
