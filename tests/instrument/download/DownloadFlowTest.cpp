// The download flow that the program and kivelo-cli share, against the
// simulator: what the user is asked and told at every step, for an instrument
// that misbehaves in each way the flow knows, and for a Cancel at each step;
// and the wire log of a whole download.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "SimPeer.h"
#include "common/TempDir.h"
#include "instrument/download/DownloadFlow.h"
#include "port/CWireLog.h"
#include "port/PortTable.h"

namespace kivelo::test {
namespace {

using Status = DownloadOutcome::Status;

// Answers like a user who confirms and names `base`; records what was asked.
class ScriptedUser final : public DownloadCallbacks {
public:
    ScriptedUser(std::atomic<bool>& cancel, std::optional<std::string> base)
        : cancel_(cancel), base_(std::move(base)) {}

    // Which step sets the cancel flag, as the busy window's Cancel would.
    enum class CancelAt { kNever, kQuery, kQuestion, kTransfer };
    CancelAt cancelAt = CancelAt::kNever;
    bool confirm = true;
    std::vector<std::string> asked;
    int64_t lastDone = -1;
    int64_t lastTotal = -1;

    bool Run(Phase phase, const std::function<void()>& work) override {
        if (phase == Phase::kQuery && cancelAt == CancelAt::kQuery) cancel_ = true;
        work();
        return true;
    }
    bool ConfirmEstimate(const std::string& question) override {
        asked.push_back(question);
        if (cancelAt == CancelAt::kQuestion) cancel_ = true;
        return confirm && cancelAt != CancelAt::kQuestion;
    }
    std::optional<std::string> ChooseBase() override {
        asked.push_back("name?");
        return base_;
    }
    void Progress(int64_t done, int64_t total, const DownloadPlan&) override {
        lastDone = done;
        lastTotal = total;
        if (cancelAt == CancelAt::kTransfer && done > 0) cancel_ = true;
    }

private:
    std::atomic<bool>& cancel_;
    std::optional<std::string> base_;
};

struct FlowRun {
    DownloadOutcome outcome;
    std::vector<std::string> asked;
};

FlowRun RunFlow(const CommTarget& target, ScriptedUser::CancelAt cancelAt, const std::optional<std::string>& base,
                CWireLog* log = nullptr) {
    PortTable ports(PortOptions{QVSIM_GPIB_LIBRARY, {}});
    ports.SetWireLog(log);
    std::atomic<bool> cancel{false};
    ScriptedUser user(cancel, base);
    user.cancelAt = cancelAt;
    DownloadFlowOptions options;
    options.shownAs = target;
    options.settle = std::chrono::milliseconds(0);
    FlowRun run;
    run.outcome = RunDownloadFlow(ports, target, user, cancel, options);
    run.asked = user.asked;
    return run;
}

const std::string kQuestion = "MODEL: 818\nNUMBER OF CH: 2\nDATA LENGTH: 400\nAbout 10 Sec";

bool NothingIn(const TempDir& dir) { return std::filesystem::is_empty(dir.Path()); }

std::string Missing(const std::string& device) {
    return "The device " + device + " does not exist: is the instrument's cable or USB adapter plugged in?";
}

// Each fault of an instrument ends the flow with the "No response." message
// (and the cause the system knows) and leaves no file; the next download from
// a sound instrument works at once.
TEST(DownloadFlow, InstrumentFaultsEndWithTheMessageAndNoFiles) {
    const struct {
        const char* fault;
        bool gpib;
        bool deviceGone;  // the serial device disappeared with the instrument
    } rows[] = {
        {"stall:2", true, false},    // stops answering inside a block
        {"garbage:2", true, false},  // something else where the block's "#" belongs
        {"garbage:3", false, false}, {"header:2", false, false},
        {"overrun:2", true, false},                                // more bytes than the block announced
        {"overrun:1", false, false}, {"underrun:2", true, false},  // fewer

        {"unplug:2", false, true},  // the USB adapter pulled during the transfer
        {"unplug:1", false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.fault) + (row.gpib ? " GPIB" : " serial"));
        TempDir dir;
        const std::vector<std::string> sim{"--family", "qv8",      "--channels", "1,2",     "--records",
                                           "2",        "--length", "400",        "--fault", row.fault};
        std::optional<SimPty> pty;
        CommTarget target{7, {}};
        if (row.gpib) {
            ASSERT_TRUE(ConfigureGpibSim({{"FAMILY", "qv8"},
                                          {"CHANNELS", "1,2"},
                                          {"RECORDS", "2"},
                                          {"LENGTH", "400"},
                                          {"ADDRESS", "7"},
                                          {"FAULT", row.fault}}));
        } else {
            std::vector<std::string> args = sim;
            args.push_back("--pty");
            pty.emplace(args);
            target = CommTarget{static_cast<int32_t>(kSerialWordCom1), pty->Device()};
        }
        const FlowRun run = RunFlow(target, ScriptedUser::CancelAt::kNever, dir.File("x"));
        EXPECT_EQ(run.outcome.status, Status::kFailed);
        EXPECT_EQ(run.outcome.result, kDownloadPortError);
        std::string expected =
            row.gpib ? "No response.\n\nGPIB Addr:  7" : "No response.\n\nRS232 Port:  " + pty->Device();
        if (row.deviceGone) expected += "\n\n" + Missing(pty->Device());
        EXPECT_EQ(run.outcome.message, expected);
        EXPECT_EQ(run.asked, (std::vector<std::string>{kQuestion, "name?"}));
        EXPECT_TRUE(NothingIn(dir));

        // Usable at once: a sound instrument on the same link.
        std::optional<SimPty> sound;
        if (row.gpib) {
            ASSERT_TRUE(
                ConfigureGpibSim({{"FAMILY", "qv8"}, {"CHANNELS", "1,2"}, {"LENGTH", "400"}, {"ADDRESS", "7"}}));
        } else {
            sound.emplace(std::vector<std::string>{"--family", "qv8", "--channels", "1,2", "--length", "400", "--pty"});
            target.serialDevice = sound->Device();
        }
        const FlowRun again = RunFlow(target, ScriptedUser::CancelAt::kNever, dir.File("y"));
        EXPECT_EQ(again.outcome.status, Status::kSaved) << again.outcome.message;
        EXPECT_EQ(std::filesystem::file_size(dir.File("y.wvf")), 2u * 400 * 2);
    }
}

// Cancel at each step: nothing is written, and only a cancel of running work
// is reported ("Comunication was interruped"); a no to the question or to the
// name stops without a word.
TEST(DownloadFlow, CancelAtEveryStep) {
    ASSERT_TRUE(ConfigureGpibSim(
        {{"FAMILY", "qv8"}, {"CHANNELS", "1,2"}, {"RECORDS", "2"}, {"LENGTH", "400"}, {"ADDRESS", "7"}}));
    using C = ScriptedUser::CancelAt;
    const struct {
        const char* what;
        C cancelAt;
        bool named;
        Status status;
        std::vector<std::string> asked;
    } rows[] = {
        {"while connecting", C::kQuery, true, Status::kFailed, {}},
        {"at the question", C::kQuestion, true, Status::kFailed, {kQuestion}},
        {"at the name", C::kNever, false, Status::kDeclined, {kQuestion, "name?"}},
        {"during the transfer", C::kTransfer, true, Status::kFailed, {kQuestion, "name?"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir dir;
        const FlowRun run = RunFlow(CommTarget{7, {}}, row.cancelAt,
                                    row.named ? std::optional<std::string>(dir.File("x")) : std::nullopt);
        EXPECT_EQ(run.outcome.status, row.status);
        if (row.status == Status::kFailed) {
            EXPECT_EQ(run.outcome.result, kDownloadInterrupted);
            EXPECT_EQ(run.outcome.message, "Comunication was interruped");
        }
        EXPECT_EQ(run.asked, row.asked);
        EXPECT_TRUE(NothingIn(dir));
    }
}

// Names that are taken and folders that cannot be written: "Cannot save." with the reason.
TEST(DownloadFlow, NamesThatCannotBeUsed) {
    ASSERT_TRUE(ConfigureGpibSim({{"FAMILY", "qv8"}, {"CHANNELS", "1,2"}, {"LENGTH", "400"}, {"ADDRESS", "7"}}));
    TempDir dir;
    std::ofstream(dir.File("taken.hdr")) << "mine";
    std::ofstream(dir.File(".taken.wvf.kivelo-partial-1a2b3c")) << "left by a killed download";
    FlowRun run = RunFlow(CommTarget{7, {}}, ScriptedUser::CancelAt::kNever, dir.File("taken"));
    EXPECT_EQ(run.outcome.message, "Cannot save.\n\n" + dir.File("taken.hdr") + " already exists.");
    EXPECT_FALSE(std::filesystem::exists(dir.File(".taken.wvf.kivelo-partial-1a2b3c")));
    run = RunFlow(CommTarget{7, {}}, ScriptedUser::CancelAt::kNever, dir.File("gone/x"));
    EXPECT_EQ(run.outcome.message, "Cannot save.\n\nThe folder " + dir.File("gone") + " cannot be written.");
    EXPECT_EQ(run.outcome.result, kDownloadFileError);
}

// Every command and answer with its time; block data as one line of its length.
TEST(DownloadFlow, WireLogRecordsTheConversation) {
    TempDir dir;
    SimPty pty({"--family", "qv8", "--channels", "1,2", "--length", "3000", "--pty"});
    const CommTarget target{static_cast<int32_t>(kSerialWordCom1), pty.Device()};
    {
        CWireLog log(dir.File("wire.log"));
        ASSERT_TRUE(log.Ok());
        const FlowRun run = RunFlow(target, ScriptedUser::CancelAt::kNever, dir.File("x"), &log);
        ASSERT_EQ(run.outcome.status, Status::kSaved) << run.outcome.message;
    }
    std::ifstream in(dir.File("wire.log"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_GT(lines.size(), 10u);
    int blocks = 0;
    int identified = 0;
    for (const std::string& line : lines) {
        // "2026-12-07 09:41:00.123456 > *IDN?\n"
        ASSERT_GE(line.size(), 29u) << line;
        EXPECT_EQ(line[4], '-') << line;
        EXPECT_EQ(line[19], '.') << line;
        const std::string rest = line.substr(27);
        if (rest == "> *IDN?\\n") ++identified;
        if (rest.starts_with("< [block data: ")) {
            ++blocks;
            // The 6000 data bytes and the LF after them.
            EXPECT_TRUE(rest.starts_with("< [block data: 6001 bytes in ")) << rest;
        }
    }
    EXPECT_GE(identified, 2);  // the query and the transfer each identify
    EXPECT_EQ(blocks, 2);
    EXPECT_EQ(lines.front().substr(27), "= open RS232 " + pty.Device());
    EXPECT_EQ(lines.back().substr(27), "= close");
    EXPECT_EQ(CWireLog::Shown(std::vector<uint8_t>{'#', '8', 0, 0x0A, '\\', 0xFF}), "#8\\x00\\n\\\\\\xFF");
}

}  // namespace
}  // namespace kivelo::test
