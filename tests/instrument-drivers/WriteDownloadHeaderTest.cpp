// The download's header: driver choice by model, the path it writes, the
// plan it fills and the files it refuses.
#include <gtest/gtest.h>

#include "DownloadPlan.h"
#include "HeaderWriter.h"
#include "ScriptedPort.h"
#include "WriteDownloadHeader.h"

namespace kivelo {
namespace {

using test::ScriptedPort;
using test::TempDir;

void ScriptQV60(ScriptedPort& port) {
    port.answers = {{"*IDN?", "ORVANTIS,512020,0,1.00"}, {"CHAN1:MODE?", "1"},
                    {"CHAN2:MODE?", "0"}, {"CHAN3:MODE?", "0"}, {"CHAN4:MODE?", "1"},
                    {"TRIG:NSIN:DCOU?", "4"}, {"WAV:LENG?", "100200"}, {"WAV:VDIV?", "1"},
                    {"WAV:SRAT?", "1E6"}, {"TIM:SOUR?", "INT"},
                    {"SYST:CLOC:DATE?", "\"2026/12/06\""}, {"WAV:OFFS?", "0"}};
    port.fallback = [](const std::string& q) -> std::optional<std::string> {
        if (q.starts_with("TRIG:NSIN:TIME? ")) return "\"10:00:0" + q.substr(16) + "\"";
        return std::nullopt;
    };
}

TEST(WriteDownloadHeader, QV60HeaderAndPlan) {
    TempDir dir;
    ScriptedPort port;
    ScriptQV60(port);
    DownloadPlan plan;
    int detail = 0;
    ASSERT_EQ(WriteDownloadHeader(6020, dir.File("a.hdr"), port, plan, {}, &detail), 0);
    EXPECT_EQ(detail, kHeaderWritten);
    const std::string text = test::ReadFileBytes(dir.File("a.hdr"));
    EXPECT_TRUE(text.starts_with("//ORVANTIS ASCII FILE FORMAT\r\n"));
    EXPECT_NE(text.find("Model               QV6030\r\n"), std::string::npos);
    EXPECT_NE(text.find("BlockNumber         4\r\n"), std::string::npos);
    // Not per block: one time line for the first record.
    EXPECT_NE(text.find("Time                10:00:01        10:00:01        \r\n"), std::string::npos);
    EXPECT_EQ(plan.traceCount, 2);
    EXPECT_EQ(plan.traces[1], 3);
    EXPECT_EQ(plan.firstRecord, 1);
    EXPECT_EQ(plan.recordCount, 4);
    EXPECT_EQ(plan.length, 100200);
}

TEST(WriteDownloadHeader, ExistingFileIsRefusedUnlessOverwriteIsAsked) {
    TempDir dir;
    const std::string path = dir.File("b.hdr");
    ScriptedPort port;
    ScriptQV60(port);
    DownloadPlan plan;
    ASSERT_EQ(WriteDownloadHeader(6010, path, port, plan), 0);
    const std::string first = test::ReadFileBytes(path);
    EXPECT_EQ(WriteDownloadHeader(6010, path, port, plan), 1);
    EXPECT_EQ(test::ReadFileBytes(path), first);
    EXPECT_EQ(WriteDownloadHeader(6010, path, port, plan, {.overwrite = true}), 0);
}

TEST(WriteDownloadHeader, InstrumentFailureAndCancelGiveOne) {
    TempDir dir;
    ScriptedPort port;
    ScriptQV60(port);
    port.answers.erase("WAV:LENG?");
    DownloadPlan plan;
    int detail = 0;
    EXPECT_EQ(WriteDownloadHeader(6010, dir.File("c.hdr"), port, plan, {}, &detail), 1);
    EXPECT_EQ(detail, 0);

    ScriptQV60(port);
    std::atomic<bool> cancel{true};
    EXPECT_EQ(WriteDownloadHeader(6010, dir.File("d.hdr"), port, plan,
                                  {.overwrite = false, .cancelFlag = &cancel}, &detail),
              1);
    EXPECT_EQ(detail, kHeaderCancelled);
}

}  // namespace
}  // namespace kivelo
