// Whole downloads from the simulator, over a pseudo-terminal and through its
// GPIB library, read back with the wave-file reader sample by sample.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "SampleData.h"
#include "SimPeer.h"
#include "common/TempDir.h"
#include "instrument/download/CommConnection.h"
#include "instrument/download/Download.h"
#include "instrument/download/DownloadResult.h"
#include "instrument/download/RemoteControl.h"
#include "instrument/drivers/DownloadPlan.h"
#include "port/PortTable.h"
#include "wavefile/CWaveFile.h"

namespace kivelo::test {
namespace {

using Settings = std::vector<std::pair<std::string, std::string>>;

struct Sim {
    std::string family;
    std::string model;
    std::vector<int> channels;  // 1-based, the ones switched on
    int records;
    int length;
    int firstRecord;  // the instrument's number of the oldest record
    int modelId;
    std::string fault;
};

std::string List(const std::vector<int>& channels) {
    std::string list;
    for (int c : channels) list += (list.empty() ? "" : ",") + std::to_string(c);
    return list;
}

// Downloads from the simulator over GPIB (address 7) or a pseudo-terminal.
int Download(const Sim& sim, bool gpib, const std::string& base) {
    // clang-format off
    Settings settings{{"FAMILY", sim.family}, {"MODEL", sim.model}, {"CHANNELS", List(sim.channels)},
                      {"RECORDS", std::to_string(sim.records)}, {"LENGTH", std::to_string(sim.length)},
                      {"ADDRESS", "7"}, {"FAULT", sim.fault}};
    // clang-format on
    std::vector<std::string> options{"--pty"};
    for (const auto& [name, value] : settings) {
        if (name == "ADDRESS" || value.empty()) continue;
        std::string option = "--" + name;
        for (char& c : option) c = static_cast<char>(std::tolower(c));
        options.insert(options.begin(), {option, value});
    }
    std::optional<SimPty> pty;
    if (gpib && !ConfigureGpibSim(settings)) return -1;
    if (!gpib) pty.emplace(options);
    const CommTarget target =
        gpib ? CommTarget{7, {}} : CommTarget{static_cast<int32_t>(kSerialWordCom1), pty->Device()};
    PortTable ports(PortOptions{QVSIM_GPIB_LIBRARY, {}});
    CInstrumentPort& port = SelectPort(ports, target);
    DownloadPlan plan;
    DownloadInfo info;
    if (const int query = QueryInstrument(port, target, plan, info); query != kDownloadOk) return query;
    EXPECT_EQ(info.model, sim.modelId);
    EXPECT_EQ(info.traceCount, static_cast<int>(sim.channels.size()));
    EXPECT_EQ(info.length, sim.length);
    DownloadControl control;
    control.settle = std::chrono::milliseconds(0);
    return DownloadToFiles(port, target, base, plan, control);
}

// Compares every sample with what the simulator holds: the first `valid`
// points of each record (all when -1), zeros after them.
void ExpectSamples(const std::string& wvf, const Sim& sim, int valid = -1) {
    const auto pattern = sim.fault == "lf" ? qvsim::SamplePattern::LineFeeds : qvsim::SamplePattern::Ramp;
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
            for (int i = 0; i < sim.length; ++i) {
                const int16_t expected = valid >= 0 && i >= valid
                                             ? 0
                                             : qvsim::SampleValue(sim.channels[t] - 1, sim.firstRecord + b, i, pattern);
                ASSERT_EQ(samples[i], expected) << "trace " << t << " block " << b << " point " << i;
            }
        }
}

bool Empty(const TempDir& dir) { return std::filesystem::is_empty(dir.Path()); }

// The serial runs send line feeds inside the data; the QV8 records are larger
// than the receive chunk.
TEST(SimDownload, EveryFamilyOverBothLinks) {
    const Sim families[] = {
        {"qv8", "QV818", {1, 3}, 3, 61000, -2, 818, ""},
        {"qv43", "QV4300", {2, 4, 5}, 2, 301, -1, 4300, ""},
        {"qv60", "QV6010", {1, 2, 4}, 3, 400, 1, 6010, ""},
        {"qv31", "QV3140", {2, 3}, 2, 257, -1, 3140, ""},
    };
    for (Sim sim : families) {
        for (bool gpib : {true, false}) {
            SCOPED_TRACE(sim.family + (gpib ? " GPIB" : " serial"));
            sim.fault = gpib ? "" : "lf";
            TempDir dir;
            ASSERT_EQ(Download(sim, gpib, dir.File("sim")), kDownloadOk);
            ExpectSamples(dir.File("sim.wvf"), sim);
        }
    }
}

// Broken blocks fail and leave nothing; short and long records arrive padded
// with zeros or cut, so every block keeps its size. Stalls and silence only
// over GPIB, where the simulator times out at once.
TEST(SimDownload, Faults) {
    const struct {
        const char* fault;
        bool gpib;
        int result;
        int valid;  // points of each record as sent
    } rows[] = {
        {"stall:2", true, kDownloadPortError, 0},  {"mute", true, kDownloadNoAnswer, 0},
        {"header:2", true, kDownloadPortError, 0}, {"header:2", false, kDownloadPortError, 0},
        {"short", true, kDownloadOk, 300},         {"short", false, kDownloadOk, 300},
        {"long", true, kDownloadOk, 400},          {"long", false, kDownloadOk, 400},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.fault) + (row.gpib ? " GPIB" : " serial"));
        const Sim sim{"qv8", "QV818", {1, 2}, 2, 400, -1, 818, row.fault};
        TempDir dir;
        EXPECT_EQ(Download(sim, row.gpib, dir.File("x")), row.result);
        if (row.result == kDownloadOk) {
            ExpectSamples(dir.File("x.wvf"), sim, row.valid);
        } else {
            EXPECT_TRUE(Empty(dir));
        }
    }
}

TEST(SimDownload, NoInstrumentAtTheAddress) {
    ASSERT_TRUE(ConfigureGpibSim({{"ADDRESS", "3"}}));
    PortTable ports(PortOptions{QVSIM_GPIB_LIBRARY, {}});
    const CommTarget target{4, {}};
    DownloadPlan plan;
    DownloadInfo info;
    EXPECT_EQ(QueryInstrument(SelectPort(ports, target), target, plan, info), kDownloadNoAnswer);
    EXPECT_EQ(SendRemoteCommand(SelectPort(ports, target), target, "START"), kDownloadPortError);
}

}  // namespace
}  // namespace kivelo::test
