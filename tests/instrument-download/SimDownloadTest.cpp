#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <string>
#include <vector>

#include "CWaveFile.h"
#include "CommConnection.h"
#include "Download.h"
#include "DownloadPlan.h"
#include "DownloadResult.h"
#include "PortTable.h"
#include "RemoteControl.h"
#include "SampleData.h"
#include "SimInstrument.h"
#include "TestDir.h"

namespace kivelo::test {
namespace {

struct SimCase {
    const char* name;
    std::string family;
    std::string modelName;
    std::vector<int> channels;  // 1-based, the ones switched on
    int records;
    int length;
    int firstRecord;            // the instrument's number of the oldest record
    int model;
};

const SimCase kCases[] = {
    {"qv8", "qv8", "QV818", {1, 3}, 3, 500, -2, 818},
    {"qv43", "qv43", "QV4300", {2, 4, 5}, 2, 301, -1, 4300},
    {"qv60", "qv60", "QV6010", {1, 2, 4}, 3, 400, 1, 6010},
    {"qv31", "qv31", "QV3140", {2, 3}, 2, 257, -1, 3140},
};

std::string ChannelList(const std::vector<int>& channels)
{
    std::string list;
    for (int c : channels)
        list += (list.empty() ? "" : ",") + std::to_string(c);
    return list;
}

// Reads the pair back and compares every sample with what the simulator sent.
void ExpectSamples(const std::string& wvf, const SimCase& sim,
                   qvsim::SamplePattern pattern = qvsim::SamplePattern::Ramp)
{
    CWaveFile file(wvf, 0);
    ASSERT_TRUE(file.IsOpen()) << wvf;
    ASSERT_EQ(file.GetTraceTotalNumber(), static_cast<int>(sim.channels.size()));
    ASSERT_EQ(file.GetBlockNumber(), sim.records);
    std::vector<uint8_t> raw(static_cast<size_t>(sim.length) * 2);
    for (int t = 0; t < file.GetTraceTotalNumber(); ++t)
        for (int b = 0; b < sim.records; ++b) {
            int64_t got = 0;
            ASSERT_EQ(file.ReadData(b, t, 0, sim.length, raw, got, kWidthNative), -1);
            ASSERT_EQ(got, sim.length);
            const auto* samples = reinterpret_cast<const int16_t*>(raw.data());
            for (int i = 0; i < sim.length; ++i)
                ASSERT_EQ(samples[i], qvsim::SampleValue(sim.channels[t] - 1, sim.firstRecord + b,
                                                         i, pattern))
                    << "trace " << t << " block " << b << " point " << i;
        }
}

class SimDownloadTest : public ::testing::TestWithParam<SimCase> {
protected:
    SimDownloadTest() { control.settle = std::chrono::milliseconds(0); }

    std::vector<std::string> PtyOptions(const std::string& fault = {}) const
    {
        const SimCase& sim = GetParam();
        std::vector<std::string> options{"--family", sim.family, "--model", sim.modelName,
                                         "--channels", ChannelList(sim.channels),
                                         "--records", std::to_string(sim.records), "--length",
                                         std::to_string(sim.length)};
        if (!fault.empty())
            options.insert(options.end(), {"--fault", fault});
        return options;
    }

    bool UseGpib(const std::string& fault = {})
    {
        const SimCase& sim = GetParam();
        std::vector<std::pair<std::string, std::string>> settings{
            {"FAMILY", sim.family}, {"MODEL", sim.modelName}, {"CHANNELS", ChannelList(sim.channels)},
            {"RECORDS", std::to_string(sim.records)}, {"LENGTH", std::to_string(sim.length)},
            {"ADDRESS", "7"}};
        if (!fault.empty())
            settings.emplace_back("FAULT", fault);
        return ConfigureGpibSim(settings);
    }

    int Download(const CommTarget& target)
    {
        PortTable ports;
        CInstrumentPort& port = SelectPort(ports, target);
        DownloadInfo info;
        const int query = QueryInstrument(port, target, plan, info);
        if (query != kDownloadOk)
            return query;
        EXPECT_EQ(info.model, GetParam().model);
        EXPECT_EQ(info.traceCount, static_cast<int>(GetParam().channels.size()));
        EXPECT_EQ(info.length, GetParam().length);
        return DownloadToFiles(port, target, base, plan, control);
    }

    DownloadPlan plan;
    DownloadControl control;
    TestDir dir;
    std::string base = dir.File("sim");
    const CommTarget gpib{7, {}};
};

// Every Time value of the header is a bare stamp of the simulator's clock
// (newest record 10:20:30, one second apart): no quotes, no date part.
void ExpectRecordTimes(const std::string& hdr)
{
    std::istringstream text(ReadWholeFile(hdr));
    std::string line;
    int lines = 0;
    while (std::getline(text, line)) {
        if (line.rfind("Time", 0) != 0)
            continue;
        ++lines;
        std::istringstream fields(line);
        std::string key;
        std::string value;
        fields >> key;
        while (fields >> value)
            EXPECT_TRUE(value.size() == 8 && value.rfind("10:20:", 0) == 0) << line;
    }
    EXPECT_GT(lines, 0);
}

TEST_P(SimDownloadTest, OverGpib)
{
    ASSERT_TRUE(UseGpib());
    ASSERT_EQ(Download(gpib), kDownloadOk);
    ExpectSamples(base + ".wvf", GetParam());
    ExpectRecordTimes(base + ".hdr");
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"sim.hdr", "sim.wvf"}));
}

TEST_P(SimDownloadTest, OverSerialWithLineFeedsInTheData)
{
    SimPty sim(PtyOptions("lf"));
    ASSERT_FALSE(sim.Device().empty());
    ASSERT_EQ(Download(CommTarget{static_cast<int32_t>(kSerialWordCom1), sim.Device()}), kDownloadOk);
    ExpectSamples(base + ".wvf", GetParam(), qvsim::SamplePattern::LineFeeds);
}

TEST_P(SimDownloadTest, StalledBlockOverGpibLeavesNothing)
{
    ASSERT_TRUE(UseGpib("stall:2"));
    EXPECT_EQ(Download(gpib), kDownloadPortError);
    EXPECT_TRUE(dir.Entries().empty());
}

TEST_P(SimDownloadTest, GarbledHeaderOverSerialLeavesNothing)
{
    SimPty sim(PtyOptions("header:2"));
    ASSERT_FALSE(sim.Device().empty());
    EXPECT_EQ(Download(CommTarget{static_cast<int32_t>(kSerialWordCom1), sim.Device()}),
              kDownloadPortError);
    EXPECT_TRUE(dir.Entries().empty());
}

TEST_P(SimDownloadTest, CancelMidTransfer)
{
    ASSERT_TRUE(UseGpib());
    std::atomic<bool> cancel{false};
    control.cancel = &cancel;
    control.progress = [&](int64_t done, int64_t total) {
        if (done > total / 2)
            cancel = true;
    };
    EXPECT_EQ(Download(gpib), kDownloadInterrupted);
    EXPECT_TRUE(dir.Entries().empty());
}

INSTANTIATE_TEST_SUITE_P(Family, SimDownloadTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Records shorter or longer than the record length arrive padded or cut, so
// every block in the file keeps its size.
TEST(SimDownload, ShortAndLongBlocksKeepTheRecordSize)
{
    for (const char* fault : {"short", "long"}) {
        SCOPED_TRACE(fault);
        TestDir dir;
        ASSERT_TRUE(ConfigureGpibSim({{"FAMILY", "qv8"}, {"CHANNELS", "1"}, {"LENGTH", "400"},
                                      {"FAULT", fault}}));
        PortTable ports;
        const CommTarget target{1, {}};
        DownloadPlan plan;
        DownloadInfo info;
        ASSERT_EQ(QueryInstrument(SelectPort(ports, target), target, plan, info), kDownloadOk);
        ASSERT_EQ(DownloadToFiles(SelectPort(ports, target), target, dir.File("x"), plan, {}),
                  kDownloadOk);
        const std::string data = ReadWholeFile(dir.File("x.wvf"));
        ASSERT_EQ(data.size(), 800u);
        const bool isShort = std::string(fault) == "short";
        // 3/4 of the points arrive; the rest of the record is zero.
        EXPECT_EQ(data.substr(600) == std::string(200, '\0'), isShort);
        const uint16_t first = qvsim::SampleWord(0, 0, 0);
        EXPECT_EQ(static_cast<uint8_t>(data[0]), first >> 8);
    }
}

TEST(SimDownload, NoInstrumentAtTheAddress)
{
    ASSERT_TRUE(ConfigureGpibSim({{"ADDRESS", "3"}}));
    PortTable ports;
    const CommTarget target{4, {}};
    DownloadPlan plan;
    DownloadInfo info;
    EXPECT_EQ(QueryInstrument(SelectPort(ports, target), target, plan, info), kDownloadNoAnswer);
    EXPECT_EQ(SendRemoteCommand(SelectPort(ports, target), target, "START"), kDownloadPortError);
}

TEST(SimDownload, RemoteCommandReachesTheRecorder)
{
    TestDir dir;
    const std::string log = dir.File("sim.log");
    SimPty sim({"--family", "qv8", "--log", log});
    ASSERT_FALSE(sim.Device().empty());
    PortTable ports;
    const CommTarget target{static_cast<int32_t>(kSerialWordCom1), sim.Device()};
    ASSERT_EQ(SendRemoteCommand(SelectPort(ports, target), target,
                                RemoteCommandText(RemoteAction::kFileName, "TEST1")),
              kDownloadOk);
    ASSERT_EQ(SendRemoteCommand(SelectPort(ports, target), target, "START"), kDownloadOk);
    // The simulator logs each message as it handles it; wait for the second.
    std::string text;
    for (int i = 0; i < 500 && text.find("START") == std::string::npos; ++i) {
        usleep(10000);
        text = ReadWholeFile(log);
    }
    EXPECT_NE(text.find("FILE:SAVE:SETUP:NAME \"TEST1\""), std::string::npos) << text;
    EXPECT_NE(text.find("START"), std::string::npos) << text;
}

}  // namespace
}  // namespace kivelo::test
