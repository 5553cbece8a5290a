// The family drivers' exact query sequences and answer conversions.
#include <gtest/gtest.h>

#include "CDriverQV31.h"
#include "CDriverQV43.h"
#include "CDriverQV60.h"
#include "CDriverQV8.h"
#include "CreateDriver.h"
#include "DownloadPlan.h"
#include "ScriptedPort.h"

namespace kivelo {
namespace {

using test::ScriptedPort;
using Log = std::vector<std::string>;

template <class Driver>
struct Rig {
    ScriptedPort port;
    DownloadPlan plan;
    Driver driver;
    Rig() { driver.Attach(port, plan); }
};

std::string Idn(int code) { return "ORVANTIS," + std::to_string(code) + ",0,V1.05a"; }

// ---- The common query pattern ----------------------------------------------

TEST(QueryPattern, HeadersOffSelectionQueryHeadersOn) {
    Rig<CDriverQV31> rig;
    rig.port.answers["WAV:VDIV?"] = "2.0";
    double v = 0;
    ASSERT_EQ(rig.driver.GetVResolution(v, 0, 1), -1);
    EXPECT_DOUBLE_EQ(v, 2.0 * 0.0003125);
    const Log expected{"W:COMM:HEAD OFF", "W:WAV:TRAC 2", "W:WAV:VDIV?", "R:2.0", "W:COMM:HEAD ON"};
    EXPECT_EQ(rig.port.log, expected);
}

TEST(QueryPattern, AnswerWithOrWithoutLfGivesTheSameNumber) {
    for (const std::string terminator : {"\n", ""}) {
        Rig<CDriverQV31> rig;
        rig.port.terminator = terminator;
        rig.port.answers["WAV:LENG?"] = "1234";
        int length = 0;
        ASSERT_EQ(rig.driver.GetBlockSize(length, 0, 0), -1);
        EXPECT_EQ(length, 1234);
        EXPECT_EQ(rig.plan.length, 1234);
    }
}

TEST(QueryPattern, FailingHeadersOnFailsAfterTheValueWasStored) {
    Rig<CDriverQV43> rig;
    rig.port.answers["WAV:OFFS?"] = "-1.5";
    rig.port.failingWrites.insert("COMM:HEAD ON");
    double v = 0;
    EXPECT_EQ(rig.driver.GetVOffset(v, 3, 0), 0);
    EXPECT_DOUBLE_EQ(v, -1.5);
}

TEST(QueryPattern, FailedWriteOrReadStopsAtOnceAndLeavesTheValue) {
    Rig<CDriverQV31> rig;  // no answers: every read fails
    std::string text = "kept";
    EXPECT_EQ(rig.driver.GetDate(text, 0, 0), 0);
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(rig.port.log, (Log{"W:COMM:HEAD OFF", "W:SYST:CLOC:DATE?", "R!"}));

    Rig<CDriverQV31> selectFails;
    selectFails.port.failingWrites.insert("WAV:TRAC 1");
    double v = 7;
    EXPECT_EQ(selectFails.driver.GetHResolution(v, 0, 0), 0);
    EXPECT_EQ(v, 7);
    EXPECT_EQ(selectFails.port.Commands(), (Log{"COMM:HEAD OFF", "WAV:TRAC 1"}));

    Rig<CDriverQV31> offFails;
    offFails.port.failingWrites.insert("COMM:HEAD OFF");
    EXPECT_EQ(offFails.driver.GetDate(text, 0, 0), 0);
    EXPECT_EQ(offFails.port.log.size(), 1u);
}

TEST(QueryPattern, UnattachedFamilyDriverFailsInsteadOfCrashing) {
    CDriverQV8 driver;
    std::string text;
    int n = 0;
    EXPECT_EQ(driver.GetDate(text, 0, 0), 0);
    EXPECT_EQ(driver.GetTraceTotalNumber(n), 0);
}

// ---- Answers common to all families -----------------------------------------

TEST(Families, SharedAnswersAndModelVersion) {
    ScriptedPort port;
    DownloadPlan plan;
    for (int model : {3120, 6010, 4300, 818}) {
        auto driver = CreateDriver(model);
        driver->Attach(port, plan);
        driver->SetHeaderPath("/x/y.hdr");
        int i = 0;
        std::string text;
        EXPECT_EQ(driver->GetDataFormat(i), -1);
        EXPECT_EQ(i, 1);
        EXPECT_EQ(driver->GetBlockStep(i), -1);
        EXPECT_EQ(i, 1);
        driver->GetEndian(text);
        EXPECT_EQ(text, "Big");
        driver->GetDataOffset(text);
        EXPECT_EQ(text, "0");
        driver->GetHeaderPath(text);
        EXPECT_EQ(text, "/x/y.hdr");
    }
    port.answers["*IDN?"] = "ORVANTIS,518001,0,1.23b extra";
    CDriverQV8 qv8;
    qv8.Attach(port, plan);
    std::string version;
    ASSERT_EQ(qv8.GetModelVersion(version), -1);
    EXPECT_EQ(version, "1.23b");
    port.answers["*IDN?"] = "ORVANTIS,518001,0,1";
    ASSERT_EQ(qv8.GetModelVersion(version), -1);
    EXPECT_EQ(version, "1");
    port.answers["*IDN?"] = "ORVANTIS";
    ASSERT_EQ(qv8.GetModelVersion(version), -1);
    EXPECT_EQ(version, "");
}

TEST(Families, ChoiceByModelIdentifier) {
    EXPECT_NE(dynamic_cast<CDriverQV8*>(CreateDriver(818).get()), nullptr);
    EXPECT_NE(dynamic_cast<CDriverQV8*>(CreateDriver(826).get()), nullptr);
    EXPECT_NE(dynamic_cast<CDriverQV43*>(CreateDriver(4300).get()), nullptr);
    for (int m : {6010, 6020, 6030}) EXPECT_NE(dynamic_cast<CDriverQV60*>(CreateDriver(m).get()), nullptr);
    for (int m : {3120, 3140, 0, 12345}) EXPECT_NE(dynamic_cast<CDriverQV31*>(CreateDriver(m).get()), nullptr);
}

TEST(Families, ModelNameTablesAreTheirOwn) {
    const struct {
        int model;
        int code;
        const char* name;
    } rows[] = {
        {3120, 516001, "QV3120"}, {3120, 516003, "QV3120L"}, {3140, 516004, "QV3140L"},
        {3140, 516002, "QV3140"}, {3140, 516006, "QV3140"},  {6010, 512010, "QV6010"},
        {6010, 512030, "QV6020"}, {6020, 512020, "QV6030"},  {6010, 512040, "QV6030"},
        {818, 518002, "QV818E"},  {826, 518003, "QV826"},    {818, 518001, "QV818"},
        {4300, 514101, "QV4300"},
    };
    for (const auto& row : rows) {
        ScriptedPort port;
        DownloadPlan plan;
        port.answers["*IDN?"] = Idn(row.code);
        auto driver = CreateDriver(row.model);
        driver->Attach(port, plan);
        std::string name;
        ASSERT_EQ(driver->GetModelName(name), -1);
        EXPECT_EQ(name, row.name) << row.code;
    }
    Rig<CDriverQV43> rig;  // no I/O at all
    std::string name;
    rig.driver.GetModelName(name);
    EXPECT_TRUE(rig.port.log.empty());
}

TEST(Families, FixedTextsAndTraceNames) {
    const struct {
        int model;
        const char* texts[8];  // VPlus VMinus VIllegal VMax VMin DispPointNo DCUnit PhaseShift
        const char* name2;
    } rows[] = {
        {3120, {"?", "?", "-32768", "32640", "-32640", "6", "V", ""}, "Ch2"},
        {6010, {"?", "?", "-32768", "32640", "-32640", "4", "V", ""}, "Ch2"},
        {4300, {"32768", "-32769", "?", "32767", "-32768", "1", "", "0"}, "CH2"},
        {818, {"32768", "-32769", "?", "32767", "-32768", "1", "", "0"}, "CH2"},
    };
    for (const auto& row : rows) {
        ScriptedPort port;
        DownloadPlan plan;
        auto d = CreateDriver(row.model);
        d->Attach(port, plan);
        std::string t[8];
        d->GetVPlusOverData(t[0], 0, 0);
        d->GetVMinusOverData(t[1], 0, 0);
        d->GetVIllegalData(t[2], 0, 0);
        d->GetVMaxData(t[3], 0, 0);
        d->GetVMinData(t[4], 0, 0);
        d->GetDisplayPointNo(t[5], 0, 0);
        d->GetDCUnit(t[6], 0, 0);
        d->GetPhaseShift(t[7], 0, 0);
        for (int i = 0; i < 8; ++i) EXPECT_EQ(t[i], row.texts[i]) << row.model << " " << i;
        std::string name;
        d->GetTraceName(name, 1);
        EXPECT_EQ(name, row.name2);
        EXPECT_TRUE(port.log.empty()) << row.model;
        const int perBlock = row.model == 4300 || row.model == 818 ? 1 : 0;
        EXPECT_EQ(d->IsPerBlock(PerBlockKey::Date), perBlock);
        EXPECT_EQ(d->IsPerBlock(PerBlockKey::Time), perBlock);
        EXPECT_EQ(d->IsPerBlock(PerBlockKey::BlockSize), 0);
    }
}

// ---- QV31 ------------------------------------------------------------------

TEST(QV31, ChannelsPolledByModeWithTwoChannelsForTheQV3120s) {
    Rig<CDriverQV31> rig;
    rig.port.answers = {{"*IDN?", Idn(516003)}, {"CHAN1:MODE?", "0"}, {"CHAN2:MODE?", "1"}};
    int n = -1;
    ASSERT_EQ(rig.driver.GetTraceTotalNumber(n), -1);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(rig.plan.traceCount, 1);
    EXPECT_EQ(rig.port.Commands(),
              (Log{"*IDN?", "COMM:HEAD OFF", "CHAN1:MODE?", "CHAN2:MODE?", "COMM:HEAD ON"}));

    Rig<CDriverQV31> four;
    four.port.answers = {{"*IDN?", Idn(516002)}, {"CHAN1:MODE?", "1"}, {"CHAN2:MODE?", "0"},
                         {"CHAN3:MODE?", "2"}, {"CHAN4:MODE?", "ON"}};
    std::vector<uint16_t> list;
    ASSERT_EQ(four.driver.GetTraceList(list), -1);
    EXPECT_EQ(list, (std::vector<uint16_t>{0, 2}));
    EXPECT_EQ(four.plan.traces[0], 0);
    EXPECT_EQ(four.plan.traces[1], 2);
    EXPECT_EQ(four.plan.traceCount, 2);
}

TEST(QV31, TheQV3120NeverAsksForHistory) {
    Rig<CDriverQV31> rig;
    rig.port.answers["*IDN?"] = Idn(516001);
    int first = 9, count = 9;
    ASSERT_EQ(rig.driver.GetFirstBlockNo(first, 0), -1);
    ASSERT_EQ(rig.driver.GetBlockCount(count, 0), -1);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(rig.plan.firstRecord, 0);
    EXPECT_EQ(rig.plan.recordCount, 1);
    EXPECT_EQ(rig.port.Commands(), (Log{"*IDN?", "*IDN?"}));
}

TEST(QV31, HistoryRangeFromTheDisplayCount) {
    Rig<CDriverQV31> rig;
    rig.port.answers = {{"*IDN?", Idn(516002)}, {"ACQ:HIST?", "0"}, {"TRIG:MODE?", "NSING"},
                        {"DISP:COUN?", "-7"}};
    int first = 0, count = 0;
    ASSERT_EQ(rig.driver.GetFirstBlockNo(first, 0), -1);
    EXPECT_EQ(first, -7);
    EXPECT_EQ(rig.port.Commands(), (Log{"*IDN?", "COMM:HEAD OFF", "ACQ:HIST?", "TRIG:MODE?",
                                        "DISP:COUN -100", "DISP:COUN?", "COMM:HEAD ON"}));
    ASSERT_EQ(rig.driver.GetBlockCount(count, 0), -1);
    EXPECT_EQ(count, 8);
    EXPECT_EQ(rig.plan.firstRecord, -7);
    EXPECT_EQ(rig.plan.recordCount, 8);

    // History through ACQ:HIST alone; an absurd display count cannot overflow.
    rig.port.answers["ACQ:HIST?"] = "1";
    rig.port.answers["TRIG:MODE?"] = "AUTO";
    rig.port.answers["DISP:COUN?"] = "-99999999999";
    ASSERT_EQ(rig.driver.GetBlockCount(count, 0), -1);
    EXPECT_EQ(count, INT_MAX);

    // Neither: the single record 0.
    rig.port.answers["ACQ:HIST?"] = "0";
    rig.port.log.clear();
    ASSERT_EQ(rig.driver.GetBlockCount(count, 0), -1);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(rig.port.Commands(),
              (Log{"*IDN?", "COMM:HEAD OFF", "ACQ:HIST?", "TRIG:MODE?", "COMM:HEAD ON"}));
}

TEST(QV31, TimeOfAHistoryRecordOrTheClock) {
    Rig<CDriverQV31> rig;
    rig.port.answers = {{"*IDN?", Idn(516004)}, {"ACQ:HIST?", "1"}, {"TRIG:MODE?", "AUTO"},
                        {"DISP:TIME? -3", "-0003,\"12:34:56\""}, {"SYST:CLOC:TIME?", "\"01:02:03\""}};
    std::string time;
    ASSERT_EQ(rig.driver.GetTime(time, -3, 0), -1);
    EXPECT_EQ(time, "12:34:56");
    EXPECT_EQ(rig.port.Commands(), (Log{"*IDN?", "COMM:HEAD OFF", "ACQ:HIST?", "TRIG:MODE?",
                                        "DISP:TIME? -3", "COMM:HEAD ON"}));
    rig.port.answers["ACQ:HIST?"] = "0";
    ASSERT_EQ(rig.driver.GetTime(time, 0, 0), -1);
    EXPECT_EQ(time, "01:02:03");

    Rig<CDriverQV31> plain;
    plain.port.answers = {{"*IDN?", Idn(516001)}, {"SYST:CLOC:TIME?", "\"09:08:07\""}};
    ASSERT_EQ(plain.driver.GetTime(time, 0, 0), -1);
    EXPECT_EQ(time, "09:08:07");
    EXPECT_EQ(plain.port.Commands(),
              (Log{"*IDN?", "COMM:HEAD OFF", "SYST:CLOC:TIME?", "COMM:HEAD ON"}));
}

// The record time stands from the seventh character of the answer without
// its quotes, whether the whole answer is quoted, only the stamp, or nothing.
TEST(QV31, RecordTimeWhateverTheQuoting) {
    for (const std::string answer :
         {"\"01/15 12:34:56\"", "01/15 12:34:56", "-0003,\"12:34:56\"", "\"-0003,12:34:56\""}) {
        SCOPED_TRACE(answer);
        Rig<CDriverQV31> rig;
        rig.port.answers = {{"*IDN?", Idn(516002)}, {"ACQ:HIST?", "1"}, {"TRIG:MODE?", "AUTO"},
                            {"DISP:TIME? -3", answer}};
        std::string time;
        ASSERT_EQ(rig.driver.GetTime(time, -3, 0), -1);
        EXPECT_EQ(time, "12:34:56");
    }
    Rig<CDriverQV31> tooShort;
    tooShort.port.answers = {{"*IDN?", Idn(516002)}, {"ACQ:HIST?", "1"}, {"TRIG:MODE?", "AUTO"},
                             {"DISP:TIME? 0", "\"01\""}};
    std::string time = "kept";
    ASSERT_EQ(tooShort.driver.GetTime(time, 0, 0), -1);
    EXPECT_EQ(time, "");
}

TEST(QV31, ScalingUnitsAndTexts) {
    Rig<CDriverQV31> rig;
    rig.port.answers = {{"WAV:SRAT?", "1.0E+6"}, {"TIM:SOUR?", "INT"},
                        {"SYST:CLOC:DATE?", "\"2026/12/06\""}, {"WAV:OFFS?", "0.25"},
                        {"WAV:TRIG?", "500"}};
    double v = 0;
    ASSERT_EQ(rig.driver.GetHResolution(v, 0, 2), -1);
    EXPECT_DOUBLE_EQ(v, 1e-6);
    EXPECT_EQ(rig.port.Commands(), (Log{"COMM:HEAD OFF", "WAV:TRAC 3", "WAV:SRAT?", "COMM:HEAD ON"}));
    ASSERT_EQ(rig.driver.GetHOffset(v, 0, 0), -1);
    EXPECT_EQ(v, 0.0);
    ASSERT_EQ(rig.driver.GetVOffset(v, 0, 0), -1);
    EXPECT_EQ(v, 0.0);
    std::string t;
    rig.driver.GetHUnit(t, 0, 0);
    EXPECT_EQ(t, "s");
    rig.port.answers["TIM:SOUR?"] = "EXT";
    rig.driver.GetHUnit(t, 0, 0);
    EXPECT_EQ(t, "?");
    rig.driver.GetDate(t, 0, 0);
    EXPECT_EQ(t, "2026/12/06");
    rig.port.log.clear();
    rig.driver.GetDCOffset(t, 0, 1);
    EXPECT_EQ(t, "0.25");
    EXPECT_EQ(rig.port.Commands(), (Log{"COMM:HEAD OFF", "WAV:TRAC 2", "WAV:OFFS?", "COMM:HEAD ON"}));
    rig.port.log.clear();
    rig.driver.GetTriggerPointNo(t, 0, 1);
    EXPECT_EQ(t, "500");
    EXPECT_EQ(rig.port.Commands(), (Log{"COMM:HEAD OFF", "WAV:TRIG?", "COMM:HEAD ON"}));
    rig.driver.GetDisplayBlockSize(t, 0, 0);
    EXPECT_EQ(t, "1002");
    // A zero sample rate gives no division by zero.
    rig.port.answers["WAV:SRAT?"] = "0";
    ASSERT_EQ(rig.driver.GetHResolution(v, 0, 0), -1);
    EXPECT_EQ(v, 0.0);
}

// ---- QV60 ------------------------------------------------------------------

TEST(QV60, RecordsAndLength) {
    Rig<CDriverQV60> rig;
    rig.port.answers = {{"TRIG:NSIN:DCOU?", "12"}, {"WAV:LENG?", "100200"},
                        {"CHAN1:MODE?", "1"}, {"CHAN2:MODE?", "1"}, {"CHAN3:MODE?", "0"},
                        {"CHAN4:MODE?", "1"}};
    int first = 0, count = 0, length = 0, n = 0;
    ASSERT_EQ(rig.driver.GetFirstBlockNo(first, 0), -1);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(rig.plan.firstRecord, 1);
    EXPECT_TRUE(rig.port.log.empty());
    ASSERT_EQ(rig.driver.GetBlockCount(count, 0), -1);
    EXPECT_EQ(count, 12);
    EXPECT_EQ(rig.plan.recordCount, 12);
    for (const char* none : {"0", "-3", "x"}) {
        rig.port.answers["TRIG:NSIN:DCOU?"] = none;
        ASSERT_EQ(rig.driver.GetBlockCount(count, 0), -1);
        EXPECT_EQ(count, 1) << none;  // the current record
    }
    rig.port.log.clear();
    ASSERT_EQ(rig.driver.GetBlockSize(length, 1, 0), -1);
    EXPECT_EQ(length, 100200);
    EXPECT_EQ(rig.port.Commands(),
              (Log{"COMM:HEAD OFF", "WAV:START 0;END 100200", "WAV:LENG?", "COMM:HEAD ON"}));
    rig.port.log.clear();
    ASSERT_EQ(rig.driver.GetTraceTotalNumber(n), -1);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(rig.port.Commands(), (Log{"COMM:HEAD OFF", "CHAN1:MODE?", "CHAN2:MODE?",
                                        "CHAN3:MODE?", "CHAN4:MODE?", "COMM:HEAD ON"}));
}

TEST(QV60, TimeOfARecordFallsBackToTheClockWhenBlank) {
    Rig<CDriverQV60> rig;
    rig.port.answers = {{"TRIG:NSIN:TIME? 2", "\"10:11:12\""},
                        {"TRIG:NSIN:TIME? 3", "\"  :  :  \""},
                        {"TRIG:NSIN:TIME? 4", ""},
                        {"SYST:CLOC:TIME?", "\"23:59:58\""}};
    std::string time;
    ASSERT_EQ(rig.driver.GetTime(time, 2, 0), -1);
    EXPECT_EQ(time, "10:11:12");
    EXPECT_EQ(rig.port.Commands(), (Log{"COMM:HEAD OFF", "TRIG:NSIN:TIME? 2", "COMM:HEAD ON"}));
    rig.port.log.clear();
    ASSERT_EQ(rig.driver.GetTime(time, 3, 0), -1);
    EXPECT_EQ(time, "23:59:58");
    EXPECT_EQ(rig.port.Commands(),
              (Log{"COMM:HEAD OFF", "TRIG:NSIN:TIME? 3", "SYST:CLOC:TIME?", "COMM:HEAD ON"}));
    ASSERT_EQ(rig.driver.GetTime(time, 4, 0), -1);
    EXPECT_EQ(time, "23:59:58");
}

// ---- QV43 ------------------------------------------------------------------

TEST(QV43, OptionCountOfEightPollsEightChannels) {
    Rig<CDriverQV43> rig;
    rig.port.answers["*OPT?"] = "8,EXTCLOCK";
    rig.port.fallback = [](const std::string& q) -> std::optional<std::string> {
        if (q.starts_with("CHAN") && q.ends_with(":DISP?")) return q[4] == '3' || q[4] == '8' ? "1" : "0";
        return std::nullopt;
    };
    std::vector<uint16_t> list;
    ASSERT_EQ(rig.driver.GetTraceList(list), -1);
    EXPECT_EQ(list, (std::vector<uint16_t>{2, 7}));
    Log expected{"COMM:HEAD OFF", "*OPT?"};
    for (int c = 1; c <= 8; ++c) expected.push_back("CHAN" + std::to_string(c) + ":DISP?");
    expected.push_back("COMM:HEAD ON");
    EXPECT_EQ(rig.port.Commands(), expected);

    // An option answer that is no channel count polls none or at most eight.
    for (const char* options : {"", "X", "9", "z"}) {
        Rig<CDriverQV43> odd;
        odd.port.answers["*OPT?"] = options;
        odd.port.fallback = [](const std::string&) { return std::string("1"); };
        int n = -1;
        ASSERT_EQ(odd.driver.GetTraceTotalNumber(n), -1);
        EXPECT_LE(n, 8) << options;
        EXPECT_GE(n, 0) << options;
    }
}

TEST(QV43, HistoryDisplayGivesOldestAndCount) {
    Rig<CDriverQV43> rig;
    rig.port.answers["HIST:DISP?"] = "-2,-10";
    int first = 0, count = 0;
    ASSERT_EQ(rig.driver.GetFirstBlockNo(first, 0), -1);
    ASSERT_EQ(rig.driver.GetBlockCount(count, 0), -1);
    EXPECT_EQ(first, -10);
    EXPECT_EQ(count, 9);
    EXPECT_EQ(rig.plan.firstRecord, -10);
    EXPECT_EQ(rig.plan.recordCount, 9);
    rig.port.answers["HIST:DISP?"] = "SINGLE";
    ASSERT_EQ(rig.driver.GetFirstBlockNo(first, 0), -1);
    ASSERT_EQ(rig.driver.GetBlockCount(count, 0), -1);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(count, 1);
    rig.port.answers["HIST:DISP?"] = "2147483647,-2147483648";
    ASSERT_EQ(rig.driver.GetBlockCount(count, 0), -1);
    EXPECT_EQ(count, INT_MAX);  // saturated, never wrapped
}

TEST(QV43, PerTraceQueriesSelectTraceAndRecord) {
    Rig<CDriverQV43> rig;
    rig.port.answers = {{"WAV:VDIV?", "2"}, {"WAV:TRIG?", "-500"}, {"WAV:SRAT?", "1000"},
                        {"WAV:LENG?", "10000"}, {"CHAN3:LSC:MODE?", "0"}, {"ACQ:CLOC?", "EXT"}};
    double v = 0;
    ASSERT_EQ(rig.driver.GetVResolution(v, -4, 2), -1);
    EXPECT_DOUBLE_EQ(v, 2 * 0.00012207);
    EXPECT_EQ(rig.port.Commands(),
              (Log{"COMM:HEAD OFF", "WAV:TRAC 3", "WAV:REC -4", "WAV:VDIV?", "COMM:HEAD ON"}));
    rig.port.log.clear();
    ASSERT_EQ(rig.driver.GetHOffset(v, -4, 2), -1);
    EXPECT_DOUBLE_EQ(v, -0.5);
    EXPECT_EQ(rig.port.Commands(), (Log{"COMM:HEAD OFF", "WAV:TRAC 3", "WAV:REC -4", "WAV:TRIG?",
                                        "WAV:SRAT?", "COMM:HEAD ON"}));
    int length = 0;
    ASSERT_EQ(rig.driver.GetBlockSize(length, 0, 0), -1);
    EXPECT_EQ(rig.plan.length, 10000);
    std::string t;
    rig.driver.GetDisplayBlockSize(t, 0, 0);
    EXPECT_EQ(t, "10000");
    rig.port.log.clear();
    rig.driver.GetVUnit(t, 0, 2);
    EXPECT_EQ(t, "V");
    EXPECT_EQ(rig.port.Commands(), (Log{"COMM:HEAD OFF", "CHAN3:LSC:MODE?", "COMM:HEAD ON"}));
    rig.port.answers["CHAN3:LSC:MODE?"] = "1";
    rig.driver.GetVUnit(t, 0, 2);
    EXPECT_EQ(t, "?");
    rig.driver.GetHUnit(t, 0, 0);
    EXPECT_EQ(t, "?");
    rig.port.answers["ACQ:CLOC?"] = "INT";
    rig.driver.GetHUnit(t, 0, 0);
    EXPECT_EQ(t, "s");
}

// ---- QV8 -------------------------------------------------------------------

TEST(QV8, ChannelsWithoutAModuleAreSkippedWithoutDisplayQuery) {
    Rig<CDriverQV8> rig;
    rig.port.answers = {{"*IDN?", Idn(518001)},
                        {"CHAN1:MODU?", "M520101"},
                        {"CHAN1:DISP?", "1"},
                        {"CHAN2:MODU?", "M0"},
                        {"CHAN3:MODU?", "M520120"},
                        {"CHAN3:DISP?", "0"}};
    rig.port.fallback = [](const std::string& q) -> std::optional<std::string> {
        if (q.ends_with(":MODU?")) return "M0";
        return std::nullopt;
    };
    int n = 0;
    ASSERT_EQ(rig.driver.GetTraceTotalNumber(n), -1);
    EXPECT_EQ(n, 1);
    Log expected{"*IDN?", "COMM:HEAD OFF", "CHAN1:MODU?", "CHAN1:DISP?", "CHAN2:MODU?",
                 "CHAN3:MODU?", "CHAN3:DISP?"};
    for (int c = 4; c <= 8; ++c) expected.push_back("CHAN" + std::to_string(c) + ":MODU?");
    expected.push_back("COMM:HEAD ON");
    EXPECT_EQ(rig.port.Commands(), expected);
}

TEST(QV8, TheQV826PollsSixteenChannels) {
    Rig<CDriverQV8> rig;
    rig.port.answers["*IDN?"] = Idn(518003);
    rig.port.fallback = [](const std::string& q) -> std::optional<std::string> {
        return q.ends_with(":MODU?") ? "M520103" : "1";
    };
    std::vector<uint16_t> list;
    ASSERT_EQ(rig.driver.GetTraceList(list), -1);
    ASSERT_EQ(list.size(), 16u);
    EXPECT_EQ(list.back(), 15);
    EXPECT_EQ(rig.plan.traceCount, 16);
    EXPECT_EQ(rig.plan.traces[15], 15);
}

TEST(QV8, LogicModuleScaling) {
    Rig<CDriverQV8> rig;
    rig.port.answers = {{"WAV:MODU?", "520120"}, {"WAV:RANG?", "50"}, {"WAV:OFFS?", "3.5"}};
    double v = 0;
    ASSERT_EQ(rig.driver.GetVResolution(v, 2, 0), -1);
    EXPECT_EQ(v, 1.0);
    EXPECT_EQ(rig.port.Commands(), (Log{"COMM:HEAD OFF", "WAV:TRAC 1", "WAV:REC 2", "WAV:MODU?",
                                        "WAV:RANG?", "COMM:HEAD ON"}));
    ASSERT_EQ(rig.driver.GetVOffset(v, 2, 0), -1);
    EXPECT_EQ(v, 0.0);
    std::string t;
    ASSERT_EQ(rig.driver.GetVDataType(t, 2, 0), -1);
    EXPECT_EQ(t, "B16");
    rig.port.log.clear();
    ASSERT_EQ(rig.driver.GetVUnit(t, 2, 0), -1);
    EXPECT_EQ(t, "?");
    EXPECT_EQ(rig.port.Commands(),
              (Log{"COMM:HEAD OFF", "WAV:TRAC 1", "WAV:REC 2", "WAV:MODU?", "COMM:HEAD ON"}));
    rig.driver.GetInputModule(t, 2, 0);
    EXPECT_EQ(t, "LOGIC");
}

TEST(QV8, ModuleTable) {
    const struct {
        int code;
        const char* name;
        double resolution;  // for range 10
        const char* unitQuery;
        const char* unitAnswer;
        const char* unit;
    } rows[] = {
        {0, "?", 10, nullptr, nullptr, "?"},
        {520100, "HS_ISOL", 10 * 0.000125, "CHAN2:VOLT:LSC:MODE?", "0", "V"},
        {520105, "HS_ISOL", 10 * 0.000125, "CHAN2:VOLT:LSC:MODE?", "1", "?"},
        {520101, "HS", 10 * 0.000125, "CHAN2:VOLT:LSC:MODE?", "0", "V"},
        {520106, "HS", 10 * 0.000125, "CHAN2:VOLT:LSC:MODE?", "0", "V"},
        {520102, "HR_HV", 10 * 0.000125, "CHAN2:VOLT:LSC:MODE?", "0", "V"},
        {520103, "HR", 10 * 0.000125, "CHAN2:VOLT:LSC:MODE?", "0", "V"},
        {520110, "TEMP", 10, "CHAN2:TEMP:UNIT?", "C", "C"},
        {520130, "STRAIN", 10, "CHAN2:STR:LSC:MODE?", "0", "uSTR"},
        {520135, "?", 10, "CHAN2:STR:LSC:MODE?", "1", "?"},
        {520115, "?", 10 * 0.000125, "CHAN2:VOLT:LSC:MODE?", "0", "V"},
        {999999, "?", 10 * 0.000125, "CHAN2:VOLT:LSC:MODE?", "0", "V"},
    };
    for (const auto& row : rows) {
        Rig<CDriverQV8> rig;
        rig.port.answers = {{"WAV:MODU?", std::to_string(row.code)}, {"WAV:RANG?", "10"},
                            {"WAV:OFFS?", "0.5"}};
        if (row.unitQuery != nullptr) rig.port.answers[row.unitQuery] = row.unitAnswer;
        std::string t;
        double v = 0;
        ASSERT_EQ(rig.driver.GetInputModule(t, 0, 1), -1);
        EXPECT_EQ(t, row.name) << row.code;
        ASSERT_EQ(rig.driver.GetVResolution(v, 0, 1), -1);
        EXPECT_DOUBLE_EQ(v, row.resolution) << row.code;
        ASSERT_EQ(rig.driver.GetVOffset(v, 0, 1), -1);
        EXPECT_DOUBLE_EQ(v, 0.5) << row.code;
        ASSERT_EQ(rig.driver.GetVDataType(t, 0, 1), -1);
        EXPECT_EQ(t, "IS2");
        ASSERT_EQ(rig.driver.GetVUnit(t, 0, 1), -1) << row.code;
        EXPECT_EQ(t, row.unit) << row.code;
    }
}

TEST(QV8, TimeUnitAsksTheClockOnlyWithTheOption) {
    Rig<CDriverQV8> rig;
    rig.port.answers = {{"*OPT?", "16,extclock,MATH"}, {"ACQ:CLOC?", "EXT"},
                        {"HIST:TIME? -2", "\"08:00:01\""}, {"SYST:DATE?", "\"2026/01/02\""}};
    std::string t;
    ASSERT_EQ(rig.driver.GetHUnit(t, 0, 0), -1);
    EXPECT_EQ(t, "?");
    EXPECT_EQ(rig.port.Commands(), (Log{"*OPT?", "COMM:HEAD OFF", "ACQ:CLOC?", "COMM:HEAD ON"}));
    EXPECT_EQ(rig.port.log[0], "S:*OPT?");  // the option query goes as a string

    for (const char* options : {"MATH,EXTCLOCKS", ""}) {
        Rig<CDriverQV8> plain;
        plain.port.answers["*OPT?"] = options;
        ASSERT_EQ(plain.driver.GetHUnit(t, 0, 0), -1);
        EXPECT_EQ(t, "s");
        EXPECT_EQ(plain.port.Commands(), Log{"*OPT?"});
    }
    Rig<CDriverQV8> silent;  // no answer counts as no option
    ASSERT_EQ(silent.driver.GetHUnit(t, 0, 0), -1);
    EXPECT_EQ(t, "s");

    ASSERT_EQ(rig.driver.GetTime(t, -2, 0), -1);
    EXPECT_EQ(t, "08:00:01");
    ASSERT_EQ(rig.driver.GetDate(t, -2, 0), -1);
    EXPECT_EQ(t, "2026/01/02");
}

}  // namespace
}  // namespace kivelo
