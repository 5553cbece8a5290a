// Communication settings, user messages, remote control and its lists.
#include <gtest/gtest.h>

#include <unistd.h>
#include <csignal>
#include <thread>

#include "ScriptedPort.h"
#include "instrument/download/CancelOnSignal.h"
#include "instrument/download/CommSettings.h"
#include "instrument/download/CommTarget.h"
#include "instrument/download/DownloadResult.h"
#include "instrument/download/EstimateText.h"
#include "instrument/download/RemoteControl.h"
#include "instrument/download/RemoteHistory.h"

namespace kivelo::test {
namespace {

// The stored choice decodes to a GPIB address (1..30) or a serial
// configuration word (ports 1 and 2), and the message names it.
TEST(CommSettings, DecodeToPortCodeAndPortLine) {
    const struct {
        int useGpib;
        int address;
        int serialPort;
        int portCode;
        const char* noResponse;
    } rows[] = {
        {1, 1, 1, 1, "No response.\n\nGPIB Addr:  1"},
        {1, 30, 2, 30, "No response.\n\nGPIB Addr:  30"},
        {0, 7, 1, 0x25059, "No response.\n\nRS232 Port:  1"},
        {0, 7, 2, 0x2505A, "No response.\n\nRS232 Port:  2"},
    };
    for (const auto& row : rows) {
        CommSettings settings;
        settings.useGpib = row.useGpib;
        settings.gpibAddress = row.address;
        settings.serialPort = row.serialPort;
        EXPECT_EQ(settings.portCode(), row.portCode);
        EXPECT_EQ(IsGpibPortCode(settings.portCode()), row.useGpib == 1);
        EXPECT_EQ(NoResponseMessage(CommTarget::FromSettings(settings)), row.noResponse);
    }
    for (int address : {0, 31}) EXPECT_FALSE(CommSettings::IsValidGpibAddress(address));
    for (int port : {0, 3}) EXPECT_FALSE(CommSettings::IsValidSerialPort(port));
    EXPECT_EQ((CommTarget{static_cast<int32_t>(kSerialWordCom1), "/dev/pts/9"}).PortLine(),
              "\n\nRS232 Port:  /dev/pts/9");
}

TEST(Messages, EstimatesAndResultTexts) {
    EXPECT_EQ(EstimateSeconds(1000 * 4, true), 0);
    EXPECT_EQ(EstimateSeconds(1000 * 4, false), 4);
    EXPECT_EQ(EstimateSeconds(100000 * 4, false), 421);
    EXPECT_EQ(EstimateSeconds(-5, true), 0);
    EXPECT_GT(EstimateSeconds(INT64_MAX, false), 0);  // saturates, never wraps negative
    const std::pair<int, const char*> texts[] = {{0, "10 Sec"},  {4, "10 Sec"}, {10, "20 Sec"},
                                                 {59, "60 Sec"}, {60, "1 Min"}, {421, "7 Min"}};
    for (const auto& [seconds, text] : texts) EXPECT_EQ(EstimateText(seconds), text) << seconds;

    const CommTarget gpib{3, {}};
    EXPECT_EQ(InformationMessage(6010, 4, 1000, "10 Sec"),
              "MODEL: 6010\nNUMBER OF CH: 4\nDATA LENGTH: 1000\nAbout 10 Sec");
    EXPECT_EQ(DownloadResultMessage(kDownloadOk, gpib), "");
    EXPECT_EQ(DownloadResultMessage(kDownloadFileError, gpib), "Cannot save.");
    EXPECT_EQ(DownloadResultMessage(kDownloadPortError, gpib), "No response.\n\nGPIB Addr:  3");
    EXPECT_EQ(DownloadResultMessage(kDownloadNoAnswer, gpib), "No response.\n\nGPIB Addr:  3");
    EXPECT_EQ(DownloadResultMessage(kDownloadInterrupted, gpib), "Comunication was interruped");
    EXPECT_EQ(MessageOnOneLine(TooFewPointsMessage(818, 2, 10)),
              "MODEL: 818 NUMBER OF CH: 2 DATA LENGTH: 10 More than 20 data is required!");
}

// Most recent first, no repeats, no empty texts, at most 16 of at most 256 bytes.
TEST(RemoteHistory, MostRecentlyUsedList) {
    RemoteHistory history;
    for (const char* text : {"TEST1", "TEST2", "", "TEST1"}) history.Add(text);
    EXPECT_EQ(history.Entries(), (std::vector<std::string>{"TEST1", "TEST2"}));
    for (int i = 1; i <= 17; ++i) history.Add("T" + std::to_string(i));
    ASSERT_EQ(history.Entries().size(), 16u);
    EXPECT_EQ(history.First(), "T17");
    EXPECT_EQ(history.Entries().back(), "T2");
    history.Add("T2");  // a repeat when full moves up, nothing else is lost
    EXPECT_EQ(history.Entries().size(), 16u);
    EXPECT_EQ(history.Entries().back(), "T3");
    history.Add(std::string(300, 'x'));
    EXPECT_EQ(history.First().size(), 256u);
    history.Assign(std::vector<std::string>(20, "a"));
    EXPECT_EQ(history.Entries().size(), 16u);

    RemoteLists lists;
    lists.Update("TEST1", "", "COPY", "note");
    EXPECT_EQ(lists.ListOf(RemoteAction::kFileName)->First(), "TEST1");
    EXPECT_TRUE(lists.ListOf(RemoteAction::kFileComment)->Entries().empty());
    EXPECT_EQ(lists.ListOf(RemoteAction::kCopyComment)->First(), "note");
    EXPECT_EQ(lists.ListOf(RemoteAction::kStart), nullptr);
}

TEST(RemoteControl, CommandTextsAndOneLinePerCommand) {
    const std::tuple<RemoteAction, const char*, const char*> rows[] = {
        {RemoteAction::kFileName, "TEST1", "FILE:SAVE:SETUP:NAME \"TEST1\""},
        {RemoteAction::kFileComment, "a \"b\"", "FILE:SAVE:SETUP:COMMENT \"a \"b\"\""},
        {RemoteAction::kCopyFileName, "C", "HCOPY:SAVE:NAME \"C\""},
        {RemoteAction::kCopyComment, "D", "HCOPY:COMMENT \"D\""},
        {RemoteAction::kFileName, "", ""},
        {RemoteAction::kSaveWaveform, "", "FILE:SAVE:WAVEFORM:EXEC"},
        {RemoteAction::kHardCopy, "", "HCOPY:EXEC"},
        {RemoteAction::kStart, "", "START"},
        {RemoteAction::kSingleStart, "", "SSTART"},
        {RemoteAction::kLogStart, "", "LSTART"},
        {RemoteAction::kStop, "", "STOP"},
    };
    for (const auto& [action, text, command] : rows) EXPECT_EQ(RemoteCommandText(action, text), command);

    ScriptedPort port(BlockFraming::kEndByEoi);
    EXPECT_EQ(SendRemoteCommand(port, CommTarget{5, {}}, "START"), kDownloadOk);
    EXPECT_EQ(port.Address(), 5);
    EXPECT_EQ(port.Commands(), std::vector<std::string>{"START"});
    EXPECT_EQ(port.TerminatorMode(), kTermLf);
    EXPECT_EQ(port.closeCount, 1);
    port.failingWrites.insert("STOP");
    EXPECT_EQ(SendRemoteCommand(port, CommTarget{5, {}}, "STOP"), kDownloadPortError);
    EXPECT_EQ(port.closeCount, 2);
    port.failOpen = true;
    EXPECT_EQ(SendRemoteCommand(port, CommTarget{5, {}}, "START"), kDownloadPortError);
    EXPECT_EQ(port.Commands().size(), 2u);  // nothing written to a port that did not open
}

TEST(CancelOnSignal, InterruptSetsTheFlagInsteadOfEndingTheProcess) {
    std::atomic<bool> flag{false};
    {
        CancelOnSignal guard(flag);
        kill(getpid(), SIGINT);
        for (int i = 0; i < 5000 && !flag; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(flag);
}

}  // namespace
}  // namespace kivelo::test
