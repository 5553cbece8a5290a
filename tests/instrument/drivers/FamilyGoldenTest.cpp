// Each family driver's whole conversation with its instrument while the
// download writes a header, and the header it writes. golden/<name>.txt is
// the conversation ("W:" WriteBytes, "S:" WriteString, "R:" an answer read)
// and the plan it leaves; golden/<name>.hdr the header. The instrument here
// replays the answers of the conversation in order, so the driver must ask
// exactly the same, in the same order. After a deliberate change of a driver
// edit the conversation by hand (it holds the answers, an input);
// KIVELO_UPDATE_GOLDEN=1 rewrites the header.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <sstream>

#include "FileBytes.h"
#include "GoldenFile.h"
#include "ScriptedPort.h"
#include "common/TempDir.h"
#include "export/HeaderWriter.h"
#include "instrument/download/WriteDownloadHeader.h"
#include "instrument/drivers/CreateDriver.h"
#include "instrument/drivers/DownloadPlan.h"
#include "wavefile/CHdrFile.h"

namespace kivelo {
namespace {

using test::ScriptedPort;

const std::string kGoldenDir = "tests/instrument/drivers/golden/";

std::string Golden(const std::string& name) { return wavegen::ReadFileText(KIVELO_SOURCE_DIR "/" + kGoldenDir + name); }

// Answers each command with the answer the conversation has after it; from
// the first command that differs on, with nothing.
class ReplayPort : public ScriptedPort {
public:
    explicit ReplayPort(const std::vector<std::string>& lines) {
        for (const std::string& line : lines)
            if (line.size() > 1 && line[1] == ':') script_.push_back(line);
    }

protected:
    std::optional<std::string> Answer(const std::string&) override {
        if (next_ >= script_.size() || script_[next_] != log.back()) {
            next_ = script_.size();
            return std::nullopt;
        }
        if (++next_ < script_.size() && script_[next_].starts_with("R:")) return script_[next_++].substr(2);
        return std::nullopt;
    }

private:
    std::vector<std::string> script_;
    std::size_t next_ = 0;
};

std::string PlanLine(const DownloadPlan& plan) {
    std::string traces;
    for (int i = 0; i < plan.traceCount; ++i) traces += (i ? "," : "") + std::to_string(plan.traces[i]);
    return "= plan: traces " + traces + "; length " + std::to_string(plan.length) + "; records " +
           std::to_string(plan.recordCount) + " from " + std::to_string(plan.firstRecord);
}

// The conversation without its comments, and the model it is held with.
std::vector<std::string> Conversation(const std::string& name, int& model) {
    std::istringstream text(Golden(name + ".txt"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);)
        if (!line.starts_with("#")) lines.push_back(line);
    model = lines.empty() ? 0 : std::atoi(lines[0].c_str() + 8);  // "= model N"
    return lines;
}

class FamilyGolden : public ::testing::TestWithParam<std::string> {};

TEST_P(FamilyGolden, ConversationAndHeader) {
    const std::string& name = GetParam();
    int model = 0;
    const std::vector<std::string> expected = Conversation(name, model);
    ReplayPort port(expected);
    DownloadPlan plan;
    TempDir dir;
    EXPECT_EQ(WriteDownloadHeader(model, dir.File("dl.hdr"), port, plan), 0);
    std::string got = "= model " + std::to_string(model) + "\n";
    for (const std::string& entry : port.log) got += entry + "\n";
    std::string want;
    for (const std::string& line : expected) want += line + "\n";
    EXPECT_EQ(got + PlanLine(plan) + "\n", want);
    EXPECT_TRUE(test::CompareText(kGoldenDir + name + ".hdr", wavegen::ReadFileText(dir.File("dl.hdr"))));
    EXPECT_TRUE(CHdrFile(dir.File("dl.wvf")).IsLoaded());  // our own reader takes it
}

INSTANTIATE_TEST_SUITE_P(Families, FamilyGolden, ::testing::Values("qv31", "qv3120", "qv60", "qv43", "qv8"),
                         [](const auto& info) { return info.param; });

// The download's header never replaces a file; a silent instrument or a
// cancel give 1 with the writer's own reason.
TEST(DownloadHeader, RefusalsAndFailures) {
    int model = 0;
    const std::vector<std::string> qv60 = Conversation("qv60", model);
    TempDir dir;
    std::ofstream(dir.File("a.hdr")) << "mine";
    DownloadPlan plan;
    ReplayPort existing(qv60);
    EXPECT_EQ(WriteDownloadHeader(model, dir.File("a.hdr"), existing, plan), 1);
    EXPECT_EQ(wavegen::ReadFileText(dir.File("a.hdr")), "mine");
    ScriptedPort silent;
    int detail = -1;
    EXPECT_EQ(WriteDownloadHeader(model, dir.File("b.hdr"), silent, plan, {}, &detail), 1);
    EXPECT_EQ(detail, 0);
    std::atomic<bool> cancel{true};
    ReplayPort cancelled(qv60);
    EXPECT_EQ(WriteDownloadHeader(model, dir.File("c.hdr"), cancelled, plan, {.cancelFlag = &cancel}, &detail), 1);
    EXPECT_EQ(detail, kHeaderCancelled);
}

// Answers no golden conversation has: odd texts that once overflowed, divided
// by zero or lost the time stamp must convert to safe values.
TEST(FamilyDriver, OddAnswersConvertSafely) {
    using Get = std::string (*)(CInstrument&);
    // clang-format off
    const Get time = [](CInstrument& d) { std::string s = "kept"; d.GetTime(s, -3, 0); return s; };
    const Get count = [](CInstrument& d) { int n = -1; d.GetBlockCount(n, 0); return std::to_string(n); };
    const Get first = [](CInstrument& d) { int n = -1; d.GetFirstBlockNo(n, 0); return std::to_string(n); };
    const Get traces = [](CInstrument& d) { int n = -1; d.GetTraceTotalNumber(n); return std::to_string(n); };
    const Get hUnit = [](CInstrument& d) { std::string s; d.GetHUnit(s, 0, 0); return s; };
    const Get hRes = [](CInstrument& d) { double v = -1; d.GetHResolution(v, 0, 0); return std::to_string(v); };
    const Get version = [](CInstrument& d) { std::string s = "kept"; d.GetModelVersion(s); return s; };
    // clang-format on
    const std::map<std::string, std::string> qv31History{
        {"*IDN?", "ORVANTIS,516002,0,1"}, {"ACQ:HIST?", "1"}, {"TRIG:MODE?", "AUTO"}};
    const struct {
        int model;
        std::map<std::string, std::string> answers;
        Get get;
        std::string expected;
    } rows[] = {
        // The QV31 record time follows a six-character field, whatever the quoting.
        {3140, {{"DISP:TIME? -3", "\"01/15 12:34:56\""}}, time, "12:34:56"},
        {3140, {{"DISP:TIME? -3", "01/15 12:34:56"}}, time, "12:34:56"},
        {3140, {{"DISP:TIME? -3", "-0003,\"12:34:56\""}}, time, "12:34:56"},
        {3140, {{"DISP:TIME? -3", "\"-0003,12:34:56\""}}, time, "12:34:56"},
        {3140, {{"DISP:TIME? -3", "\"01\""}}, time, ""},
        {3140, {{"DISP:COUN?", "-99999999999"}}, count, std::to_string(INT_MAX)},
        {3140, {{"WAV:SRAT?", "0"}}, hRes, "0.000000"},
        {6010, {{"TRIG:NSIN:TIME? -3", ""}, {"SYST:CLOC:TIME?", "\"23:59:58\""}}, time, "23:59:58"},
        {6010, {{"TRIG:NSIN:DCOU?", "0"}}, count, "1"},
        {6010, {{"TRIG:NSIN:DCOU?", "-3"}}, count, "1"},
        {6010, {{"TRIG:NSIN:DCOU?", "x"}}, count, "1"},
        {4300, {{"HIST:DISP?", "SINGLE"}}, first, "0"},
        {4300, {{"HIST:DISP?", "SINGLE"}}, count, "1"},
        {4300, {{"HIST:DISP?", "2147483647,-2147483648"}}, count, std::to_string(INT_MAX)},
        {4300, {{"*OPT?", ""}}, traces, "0"},  // no channel count: none polled, never past eight
        {4300, {{"*OPT?", "9"}}, traces, "8"},
        {4300, {{"*OPT?", "z"}}, traces, "8"},
        {818, {{"*OPT?", "MATH,EXTCLOCKS"}, {"ACQ:CLOC?", "EXT"}}, hUnit, "s"},
        {818, {{"*OPT?", ""}, {"ACQ:CLOC?", "EXT"}}, hUnit, "s"},
        {818, {{"ACQ:CLOC?", "EXT"}}, hUnit, "s"},  // no answer counts as no option
        {818, {{"*IDN?", "ORVANTIS,518001,0,1.23b extra"}}, version, "1.23b"},
        {818, {{"*IDN?", "ORVANTIS,518001,0,1"}}, version, "1"},
        {818, {{"*IDN?", "ORVANTIS"}}, version, ""},
    };
    for (const auto& row : rows) {
        ScriptedPort port;
        port.answers = row.model == 3140 ? qv31History : std::map<std::string, std::string>{};
        for (const auto& [query, answer] : row.answers) port.answers[query] = answer;
        port.fallback = [](const std::string& q) -> std::optional<std::string> {
            if (q.ends_with(":DISP?") || q.ends_with(":MODE?")) return "1";
            return std::nullopt;
        };
        DownloadPlan plan;
        const auto driver = CreateDriver(row.model);
        driver->Attach(port, plan);
        EXPECT_EQ(row.get(*driver), row.expected) << row.model << " " << row.answers.begin()->second;
    }
}

// A failed exchange fails the query at once, also when only the headers
// could not be switched back on.
TEST(FamilyDriver, FailureStopsAtOnce) {
    for (const std::string failing : {"", "COMM:HEAD OFF", "WAV:TRAC 1", "COMM:HEAD ON"}) {
        ScriptedPort port;  // with no failing write, the answer never comes
        if (!failing.empty()) port.answers["WAV:VDIV?"] = "2.0";
        port.failingWrites.insert(failing);
        DownloadPlan plan;
        const auto driver = CreateDriver(3140);
        driver->Attach(port, plan);
        double v = 7;
        EXPECT_EQ(driver->GetVResolution(v, 0, 0), 0) << failing;
        EXPECT_EQ(port.log.back(), failing.empty() ? "R!" : "W:" + failing);
    }
    std::string text;  // a driver without a port fails instead of crashing
    EXPECT_EQ(CreateDriver(818)->GetDate(text, 0, 0), 0);
}

}  // namespace
}  // namespace kivelo
