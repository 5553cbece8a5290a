// Headers written through the family drivers from a scripted instrument, read
// back by the program's own header reader; and the plan they fill.
#include <gtest/gtest.h>

#include "CDriverQV31.h"
#include "CDriverQV43.h"
#include "CDriverQV8.h"
#include "CHdrFile.h"
#include "DownloadPlan.h"
#include "HeaderWriter.h"
#include "ScriptedPort.h"

namespace kivelo {
namespace {

using test::ScriptedPort;
using test::TempDir;

// The trace number of the last "WAV:TRAC n" written, 0 when none.
int SelectedTrace(const ScriptedPort& port) {
    for (auto it = port.log.rbegin(); it != port.log.rend(); ++it) {
        if (it->starts_with("W:WAV:TRAC ")) return std::stoi(it->substr(11));
    }
    return 0;
}

struct ReadBack {
    HdrPublicInfo pub;
    std::vector<HdrGroupInfo> groups;
    HdrModelInfo model;
};

ReadBack WriteAndRead(CInstrument& driver, const TempDir& dir) {
    driver.SetHeaderPath(dir.File("dl.hdr"));
    CHeaderFileOutput output;
    EXPECT_EQ(WriteHeader(driver, output), kHeaderWritten);
    CHdrFile reader(dir.File("dl.wvf"));
    EXPECT_TRUE(reader.IsLoaded());
    ReadBack back;
    reader.GetPublicInfo(back.pub);
    reader.GetGroupInfo(back.groups);
    reader.GetModelInfo(back.model);
    return back;
}

TEST(ReadBack, QV4300WithHistoryRecords) {
    TempDir dir;
    ScriptedPort port;
    port.answers = {{"*IDN?", "ORVANTIS,514101,0,2.01a"}, {"*OPT?", "4,MATH"},
                    {"CHAN1:DISP?", "1"}, {"CHAN2:DISP?", "0"}, {"CHAN3:DISP?", "1"},
                    {"CHAN4:DISP?", "0"}, {"HIST:DISP?", "0,-2"}, {"WAV:LENG?", "1000"},
                    {"WAV:VDIV?", "1.0"}, {"WAV:OFFS?", "0.5"}, {"CHAN1:LSC:MODE?", "0"},
                    {"CHAN3:LSC:MODE?", "1"}, {"WAV:SRAT?", "1000"}, {"WAV:TRIG?", "-100"},
                    {"ACQ:CLOC?", "INT"}, {"SYST:DATE?", "\"2026/12/06\""},
                    {"SYST:TIME?", "\"12:00:00\""}};
    DownloadPlan plan;
    CDriverQV43 driver;
    driver.Attach(port, plan);
    const ReadBack back = WriteAndRead(driver, dir);

    EXPECT_EQ(back.pub.Model, "QV4300");
    EXPECT_EQ(back.pub.Endian, "Big");
    EXPECT_EQ(back.pub.DataFormat, "Trace");
    EXPECT_EQ(back.pub.GroupNumber, 1);
    EXPECT_EQ(back.pub.TraceTotalNumber, 2);
    ASSERT_EQ(back.groups.size(), 1u);
    const HdrGroupInfo& g = back.groups[0];
    EXPECT_EQ(g.TraceNumber, 2);
    EXPECT_EQ(g.BlockNumber, 3);
    EXPECT_EQ(g.TraceName, (std::vector<std::string>{"CH1", "CH3"}));
    EXPECT_EQ(g.BlockSize, (std::vector<int32_t>(6, 1000)));
    EXPECT_DOUBLE_EQ(g.VResolution[1], 0.00012207);
    EXPECT_DOUBLE_EQ(g.VOffset[0], 0.5);
    EXPECT_EQ(g.DataWidth[0], 2);
    EXPECT_EQ(g.DataKind[0], 0);
    EXPECT_EQ(g.VUnit, (std::vector<std::string>{"V", "?"}));
    EXPECT_DOUBLE_EQ(g.HResolution[0], 0.001);
    EXPECT_DOUBLE_EQ(g.HOffset[1], -0.1);
    EXPECT_EQ(g.HUnit[0], "s");
    EXPECT_EQ(g.Date, (std::vector<std::string>(3, "2026/12/06")));
    EXPECT_EQ(g.Time, (std::vector<std::string>(3, "12:00:00")));
    EXPECT_EQ(back.model.ModelVersion, "2.01a");

    EXPECT_EQ(plan.traceCount, 2);
    EXPECT_EQ(plan.traces[0], 0);
    EXPECT_EQ(plan.traces[1], 2);
    EXPECT_EQ(plan.length, 1000);
    EXPECT_EQ(plan.recordCount, 3);
    EXPECT_EQ(plan.firstRecord, -2);
    // The record selection went with the block numbers -2..0.
    EXPECT_NE(std::find(port.log.begin(), port.log.end(), "W:WAV:REC -2"), port.log.end());
}

TEST(ReadBack, QV818WithALogicModule) {
    TempDir dir;
    ScriptedPort port;
    port.answers = {{"*IDN?", "ORVANTIS,518002,0,1.10 "}, {"*OPT?", "8"},
                    {"CHAN1:MODU?", "M520101"}, {"CHAN1:DISP?", "1"},
                    {"CHAN2:MODU?", "M520120"}, {"CHAN2:DISP?", "1"},
                    {"HIST:DISP?", "SINGLE"}, {"WAV:LENG?", "500"}, {"WAV:RANG?", "20"},
                    {"WAV:OFFS?", "1.5"}, {"CHAN1:VOLT:LSC:MODE?", "0"}, {"WAV:SRAT?", "1E4"},
                    {"WAV:TRIG?", "0"}, {"SYST:DATE?", "\"2026/12/07\""},
                    {"HIST:TIME? 0", "\"01:02:03\""}};
    port.fallback = [&port](const std::string& q) -> std::optional<std::string> {
        if (q == "WAV:MODU?") return SelectedTrace(port) == 2 ? "520120" : "520101";
        if (q.ends_with(":MODU?")) return "M0";
        return std::nullopt;
    };
    DownloadPlan plan;
    CDriverQV8 driver;
    driver.Attach(port, plan);
    const ReadBack back = WriteAndRead(driver, dir);

    EXPECT_EQ(back.pub.Model, "QV818E");
    ASSERT_EQ(back.groups.size(), 1u);
    const HdrGroupInfo& g = back.groups[0];
    EXPECT_EQ(g.BlockNumber, 1);
    EXPECT_EQ(g.TraceName, (std::vector<std::string>{"CH1", "CH2"}));
    EXPECT_DOUBLE_EQ(g.VResolution[0], 20 * 0.000125);
    EXPECT_DOUBLE_EQ(g.VResolution[1], 1.0);
    EXPECT_DOUBLE_EQ(g.VOffset[0], 1.5);
    EXPECT_DOUBLE_EQ(g.VOffset[1], 0.0);
    EXPECT_EQ(g.DataKind[1], 2);  // B16: bits
    EXPECT_EQ(g.VUnit, (std::vector<std::string>{"V", "?"}));
    EXPECT_EQ(g.HUnit[0], "s");  // no EXTCLOCK option
    EXPECT_EQ(g.Date[0], "2026/12/07");
    EXPECT_EQ(g.Time[0], "01:02:03");
    EXPECT_EQ(back.model.ModelVersion, "1.10");  // trailing blank dropped
    // The module line stands before ModelVersion, where the reader does not look.
    EXPECT_NE(test::ReadFileBytes(dir.File("dl.hdr"))
                  .find("\r\nInputModule         HS              LOGIC           \r\n"),
              std::string::npos);
    EXPECT_EQ(plan.recordCount, 1);
    EXPECT_EQ(plan.firstRecord, 0);
    EXPECT_EQ(plan.length, 500);
}

TEST(ReadBack, QV3140WithoutHistory) {
    TempDir dir;
    ScriptedPort port;
    port.answers = {{"*IDN?", "ORVANTIS,516002,0,3.00"}, {"CHAN1:MODE?", "1"},
                    {"CHAN2:MODE?", "1"}, {"CHAN3:MODE?", "0"}, {"CHAN4:MODE?", "1"},
                    {"ACQ:HIST?", "0"}, {"TRIG:MODE?", "AUTO"}, {"WAV:LENG?", "2004"},
                    {"WAV:VDIV?", "2"}, {"WAV:SRAT?", "1E5"}, {"TIM:SOUR?", "INT"},
                    {"SYST:CLOC:DATE?", "\"26/12/06\""}, {"SYST:CLOC:TIME?", "\"09:00:00\""},
                    {"WAV:OFFS?", "0.0"}, {"WAV:TRIG?", "100"}};
    DownloadPlan plan;
    CDriverQV31 driver;
    driver.Attach(port, plan);
    const ReadBack back = WriteAndRead(driver, dir);

    EXPECT_EQ(back.pub.Model, "QV3140");
    EXPECT_EQ(back.pub.TraceTotalNumber, 3);
    ASSERT_EQ(back.groups.size(), 1u);
    const HdrGroupInfo& g = back.groups[0];
    EXPECT_EQ(g.TraceName, (std::vector<std::string>{"Ch1", "Ch2", "Ch4"}));
    EXPECT_EQ(g.BlockNumber, 1);
    EXPECT_DOUBLE_EQ(g.VResolution[2], 2 * 0.0003125);
    EXPECT_DOUBLE_EQ(g.HResolution[0], 1e-5);
    EXPECT_EQ(g.Date[0], "26/12/06");
    EXPECT_EQ(g.Time[0], "09:00:00");
    EXPECT_EQ(plan.traceCount, 3);
    EXPECT_EQ(plan.traces[2], 3);
    EXPECT_EQ(plan.length, 2004);
    EXPECT_EQ(plan.recordCount, 1);
    EXPECT_EQ(plan.firstRecord, 0);
    const std::string text = test::ReadFileBytes(dir.File("dl.hdr"));
    EXPECT_NE(text.find("DisplayPointNo.     6               6               6               \r\n"),
              std::string::npos);
    EXPECT_NE(text.find("TriggerPointNo      100             100             100             \r\n"),
              std::string::npos);
}

TEST(ReadBack, FileOutputRefusesAnExistingFileUnlessTruncating) {
    TempDir dir;
    const std::string path = dir.File("old.hdr");
    {
        CHeaderFileOutput first;
        ASSERT_TRUE(first.Open(path));
        EXPECT_EQ(first.Write("user data"), CHeaderOutput::WriteResult::Ok);
        EXPECT_TRUE(first.Close());
    }
    CHeaderFileOutput again;
    EXPECT_FALSE(again.Open(path));
    EXPECT_EQ(test::ReadFileBytes(path), "user data");
    CHeaderFileOutput replace(CHeaderFileOutput::OpenMode::Truncate);
    ASSERT_TRUE(replace.Open(path));
    EXPECT_TRUE(replace.Close());
    EXPECT_EQ(test::ReadFileBytes(path), "");

    std::atomic<bool> cancel{true};
    CHeaderFileOutput cancelled(CHeaderFileOutput::OpenMode::Truncate, &cancel);
    ASSERT_TRUE(cancelled.Open(path));
    EXPECT_EQ(cancelled.Write("x"), CHeaderOutput::WriteResult::Cancelled);
    EXPECT_FALSE(CHeaderFileOutput().Open(dir.File("no/such/dir.hdr")));
}

}  // namespace
}  // namespace kivelo
