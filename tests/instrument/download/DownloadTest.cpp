// The download against a scripted QV6010 over either link: what it asks,
// the order it fetches in and that it leaves both files or none.
#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "FileBytes.h"
#include "FolderEntries.h"
#include "ScriptedPort.h"
#include "common/TempDir.h"
#include "instrument/download/Download.h"
#include "instrument/download/DownloadResult.h"
#include "instrument/drivers/DownloadPlan.h"

namespace kivelo::test {
namespace {

// Channels 1, 3 and 4 on, 3 N-single records of 50 points; other queries "1".
class DownloadTest : public ::testing::TestWithParam<BlockFraming> {
protected:
    DownloadTest() : port(GetParam()) {
        port.answers = {
            {"*IDN?", "KIVELOSM,512010,00,1.23"}, {"CHAN2:MODE?", "0"}, {"TRIG:NSIN:DCOU?", "3"}, {"WAV:LENG?", "50"}};
        port.fallback = [](const std::string& q) -> std::optional<std::string> {
            if (q.find('?') != std::string::npos) return "1";
            return std::nullopt;
        };
        port.blockPoints = 50;
        target.portCode = GetParam() == BlockFraming::kEndByEoi ? 4 : 0x2505A;
        control.cancel = &cancel;
        control.settle = std::chrono::milliseconds(0);
    }

    int Download() { return DownloadToFiles(port, target, base, plan, control); }
    long Count(const std::string& prefix) const {
        const auto commands = port.Commands();
        return std::count_if(commands.begin(), commands.end(), [&](const auto& c) { return c.starts_with(prefix); });
    }

    ScriptedPort port;
    CommTarget target;
    DownloadPlan plan;
    DownloadControl control;
    std::atomic<bool> cancel{false};
    TempDir dir;
    std::string base = dir.File("out");
};

TEST_P(DownloadTest, QueryLearnsWhatThereIsToFetch) {
    DownloadInfo info;
    ASSERT_EQ(QueryInstrument(port, target, plan, info), kDownloadOk);
    EXPECT_EQ(info.model, 6010);
    EXPECT_EQ(info.traceCount, 3);
    EXPECT_EQ(info.length, 50);
    EXPECT_EQ(info.totalPoints, 3 * 3 * 50);
    EXPECT_EQ(port.Commands().at(0), "*IDN?");
    EXPECT_EQ(Count("STOP"), 1);
    EXPECT_EQ(port.closeCount, 1);
    EXPECT_FALSE(port.isOpen);
    EXPECT_NE(access("SMP_TEMP.HDR", F_OK), 0);  // the scratch header never lands in the cwd

    // A negative record length counts as no points, in the answer and the refusal.
    port.answers["WAV:LENG?"] = "-5";
    ASSERT_EQ(QueryInstrument(port, target, plan, info), kDownloadOk);
    EXPECT_EQ(info.totalPoints, 0);
    EXPECT_EQ(TooFewPointsMessage(info.model, info.traceCount, info.length),
              "MODEL: 6010\nNUMBER OF CH: 3\nDATA LENGTH: 0\n\n More than 20 data is required!");
}

TEST_P(DownloadTest, TracesThenRecordsInOrder) {
    int64_t lastDone = -1;
    int64_t lastTotal = -1;
    control.progress = [&](int64_t done, int64_t total) {
        lastDone = done;
        lastTotal = total;
    };
    ASSERT_EQ(Download(), kDownloadOk);
    std::string expected;
    for (int channel : {1, 3, 4})
        for (int record : {1, 2, 3}) expected += PatternBytes(channel, record, 50);
    EXPECT_TRUE(wavegen::ReadFileText(base + ".wvf") == expected);
    EXPECT_NE(wavegen::ReadFileText(base + ".hdr").find("TraceTotalNumber    3"), std::string::npos);
    EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"out.hdr", "out.wvf"}));
    EXPECT_EQ(lastDone, 3 * 3 * 50 * 2);
    EXPECT_EQ(lastTotal, lastDone);
    // The transfer starts after the acquisition is stopped.
    const auto commands = port.Commands();
    const auto stop = std::find(commands.begin(), commands.end(), "STOP");
    ASSERT_GE(std::distance(stop, commands.end()), 10);
    EXPECT_EQ(std::vector<std::string>(stop + 1, stop + 10),
              (std::vector<std::string>{"WAV:TRAC 1", "WAV:STAR 0;END 100200;FORM WORD;DAT ACQD;BYT MSBF",
                                        "TRIG:NSIN:DCOU 1", "WAV:SEND?", "TRIG:NSIN:DCOU 2", "WAV:SEND?",
                                        "TRIG:NSIN:DCOU 3", "WAV:SEND?", "WAV:TRAC 3"}));
    EXPECT_EQ(port.closeCount, 1);

    // A single record is fetched without selecting it.
    port.answers["TRIG:NSIN:DCOU?"] = "1";
    port.log.clear();
    TempDir other;
    ASSERT_EQ(DownloadToFiles(port, target, other.File("one"), plan, control), kDownloadOk);
    EXPECT_EQ(Count("TRIG:NSIN:DCOU "), 0);
    EXPECT_EQ(wavegen::ReadFileText(other.File("one.wvf")).size(), 3u * 50 * 2);
}

TEST_P(DownloadTest, CancelLeavesNoFilesAndDoesNotLinger) {
    port.onSend = [&](int block) { cancel = block == 2; };
    EXPECT_EQ(Download(), kDownloadInterrupted);
    EXPECT_TRUE(FolderEntries(dir.Path()).empty());
    EXPECT_FALSE(port.isOpen);
    port.onSend = nullptr;
    EXPECT_EQ(Download(), kDownloadOk);
}

// Every failure leaves no file of the download, and an existing file of
// either name is never replaced.
TEST_P(DownloadTest, FailuresLeaveNoFiles) {
    const struct {
        const char* name;
        const char* existing;  // a file already there
        const char* failingWrite;
        BlockFault fault;
        const char* folder;
        const char* idn;
        int result;
    } rows[] = {
        {"header exists", "out.hdr", "", BlockFault::kNone, "", "", kDownloadFileError},
        {"data exists", "out.wvf", "", BlockFault::kNone, "", "", kDownloadFileError},
        {"no folder", nullptr, "", BlockFault::kNone, "missing/", "", kDownloadFileError},
        {"silent", nullptr, "*IDN?", BlockFault::kNone, "", "", kDownloadNoAnswer},
        {"unknown model", nullptr, "", BlockFault::kNone, "", "KIVELOSM,999999,00,1.23", kDownloadNoAnswer},
        {"port does not open", nullptr, "", BlockFault::kNone, "", nullptr, kDownloadNoAnswer},
        {"STOP fails", nullptr, "STOP", BlockFault::kNone, "", "", kDownloadPortError},
        {"broken fifth block", nullptr, "", BlockFault::kShortBlock, "", "", kDownloadPortError},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir where;
        if (row.existing != nullptr) std::ofstream(where.File(row.existing)) << "mine";
        ScriptedPort port(GetParam());
        port.answers = this->port.answers;
        port.fallback = this->port.fallback;
        port.blockPoints = 50;
        port.failingWrites.insert(row.failingWrite);
        port.fault = row.fault;
        port.faultBlock = 4;
        port.failOpen = row.idn == nullptr;
        if (row.idn != nullptr && *row.idn != '\0') port.answers["*IDN?"] = row.idn;
        const std::string base = where.File(std::string(row.folder) + "out");
        EXPECT_EQ(DownloadToFiles(port, target, base, plan, control), row.result);
        EXPECT_EQ(FolderEntries(where.Path()),
                  row.existing ? std::vector<std::string>{row.existing} : std::vector<std::string>{});
        if (row.existing != nullptr) {
            EXPECT_EQ(wavegen::ReadFileText(where.File(row.existing)), "mine");
            EXPECT_TRUE(port.log.empty());  // refused before a word is sent
        }
        if (row.result == kDownloadNoAnswer) {
            EXPECT_LE(port.Commands().size(), 1u);  // nothing asked after a failed "*IDN?"
        }
        EXPECT_FALSE(port.isOpen);
    }
}

INSTANTIATE_TEST_SUITE_P(Framing, DownloadTest,
                         ::testing::Values(BlockFraming::kEndByEoi, BlockFraming::kEndByLineFeed),
                         [](const auto& info) { return info.param == BlockFraming::kEndByEoi ? "Gpib" : "Serial"; });

}  // namespace
}  // namespace kivelo::test
