#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <string>
#include <thread>
#include <unistd.h>

#include "CancelOnSignal.h"
#include "CommSettings.h"
#include "CommTarget.h"
#include "DownloadResult.h"
#include "EstimateText.h"
#include "FakeInstrument.h"
#include "RemoteControl.h"
#include "RemoteHistory.h"

namespace kivelo::test {
namespace {

TEST(CommSettings, PortCodeFollowsTheChoice)
{
    CommSettings settings;
    EXPECT_EQ(settings.portCode(), 1);  // GPIB address 1 by default
    settings.gpibAddress = 30;
    EXPECT_EQ(settings.portCode(), 30);
    settings.useGpib = 0;
    EXPECT_EQ(settings.portCode(), 0x25059);
    settings.serialPort = 2;
    EXPECT_EQ(settings.portCode(), 0x2505A);
    EXPECT_FALSE(IsGpibPortCode(settings.portCode()));
}

TEST(CommSettings, RangesKeepGpibAddressesBelowSerialWords)
{
    EXPECT_FALSE(CommSettings::IsValidGpibAddress(0));
    EXPECT_FALSE(CommSettings::IsValidGpibAddress(31));
    EXPECT_TRUE(CommSettings::IsValidGpibAddress(1));
    EXPECT_TRUE(CommSettings::IsValidGpibAddress(30));
    EXPECT_FALSE(CommSettings::IsValidSerialPort(0));
    EXPECT_FALSE(CommSettings::IsValidSerialPort(3));
    CommSettings settings;
    settings.gpibAddress = 31;
    EXPECT_FALSE(settings.IsValid());
}

TEST(CommTarget, PortLineNamesAddressOrPort)
{
    CommSettings settings;
    settings.gpibAddress = 7;
    EXPECT_EQ(NoResponseMessage(CommTarget::FromSettings(settings)),
              "No response.\n\nGPIB Addr:  7");
    settings.useGpib = 0;
    settings.serialPort = 2;
    EXPECT_EQ(NoResponseMessage(CommTarget::FromSettings(settings)),
              "No response.\n\nRS232 Port:  2");
    settings.serialPort = 1;
    EXPECT_EQ(CommTarget::FromSettings(settings).PortLine(), "\n\nRS232 Port:  1");
    const CommTarget device{static_cast<int32_t>(kSerialWordCom1), "/dev/pts/9"};
    EXPECT_FALSE(device.IsGpib());
    EXPECT_EQ(device.PortLine(), "\n\nRS232 Port:  /dev/pts/9");
}

TEST(Estimate, SecondsAndText)
{
    EXPECT_EQ(EstimateSeconds(1000 * 4, true), 0);
    EXPECT_EQ(EstimateText(EstimateSeconds(1000 * 4, true)), "10 Sec");
    EXPECT_EQ(EstimateSeconds(1000 * 4, false), 4);
    EXPECT_EQ(EstimateText(EstimateSeconds(1000 * 4, false)), "10 Sec");
    EXPECT_EQ(EstimateSeconds(100000 * 4, false), 421);
    EXPECT_EQ(EstimateText(421), "7 Min");
    EXPECT_EQ(EstimateText(10), "20 Sec");
    EXPECT_EQ(EstimateText(59), "60 Sec");
    EXPECT_EQ(EstimateText(60), "1 Min");
    EXPECT_EQ(EstimateSeconds(-5, true), 0);
    EXPECT_GT(EstimateSeconds(INT64_MAX, false), 0);  // saturates, never wraps negative
}

TEST(Messages, ExactTexts)
{
    const CommTarget gpib{3, {}};
    EXPECT_EQ(InformationMessage(6010, 4, 1000, "10 Sec"),
              "MODEL: 6010\nNUMBER OF CH: 4\nDATA LENGTH: 1000\nAbout 10 Sec");
    EXPECT_EQ(TooFewPointsMessage(818, 2, 10),
              "MODEL: 818\nNUMBER OF CH: 2\nDATA LENGTH: 10\n\n More than 20 data is required!");
    EXPECT_EQ(DownloadResultMessage(kDownloadOk, gpib), "");
    EXPECT_EQ(DownloadResultMessage(kDownloadFileError, gpib), "Cannot save.");
    EXPECT_EQ(DownloadResultMessage(kDownloadPortError, gpib), "No response.\n\nGPIB Addr:  3");
    EXPECT_EQ(DownloadResultMessage(kDownloadNoAnswer, gpib), "No response.\n\nGPIB Addr:  3");
    EXPECT_EQ(DownloadResultMessage(kDownloadInterrupted, gpib), "Comunication was interruped");
    EXPECT_EQ(MessageOnOneLine("No response.\n\nGPIB Addr:  3"), "No response. GPIB Addr:  3");
    EXPECT_EQ(MessageOnOneLine(TooFewPointsMessage(818, 2, 10)),
              "MODEL: 818 NUMBER OF CH: 2 DATA LENGTH: 10 More than 20 data is required!");
}

TEST(RemoteHistory, NewestFirstWithoutRepeats)
{
    RemoteHistory history;
    history.Add("TEST1");
    history.Add("TEST2");
    history.Add("");
    EXPECT_EQ(history.Entries(), (std::vector<std::string>{"TEST2", "TEST1"}));
    history.Add("TEST1");
    EXPECT_EQ(history.Entries(), (std::vector<std::string>{"TEST1", "TEST2"}));
    EXPECT_EQ(history.First(), "TEST1");
}

TEST(RemoteHistory, SeventeenthTextPushesOutTheOldest)
{
    RemoteHistory history;
    for (int i = 1; i <= 17; ++i)
        history.Add("T" + std::to_string(i));
    ASSERT_EQ(history.Entries().size(), 16u);
    EXPECT_EQ(history.Entries().front(), "T17");
    EXPECT_EQ(history.Entries().back(), "T2");
    history.Add("T2");  // a repeat when full moves, nothing is lost
    EXPECT_EQ(history.Entries().size(), 16u);
    EXPECT_EQ(history.Entries().back(), "T3");
}

TEST(RemoteHistory, LongTextsAreCutAndStoredListsBounded)
{
    RemoteHistory history;
    history.Add(std::string(300, 'x'));
    EXPECT_EQ(history.First().size(), 256u);
    history.Assign(std::vector<std::string>(20, "a"));
    EXPECT_EQ(history.Entries().size(), 16u);
}

TEST(RemoteControl, CommandTexts)
{
    EXPECT_EQ(RemoteCommandText(RemoteAction::kFileName, "TEST1"), "FILE:SAVE:SETUP:NAME \"TEST1\"");
    EXPECT_EQ(RemoteCommandText(RemoteAction::kFileComment, "a \"b\""),
              "FILE:SAVE:SETUP:COMMENT \"a \"b\"\"");
    EXPECT_EQ(RemoteCommandText(RemoteAction::kCopyFileName, "C"), "HCOPY:SAVE:NAME \"C\"");
    EXPECT_EQ(RemoteCommandText(RemoteAction::kCopyComment, "D"), "HCOPY:COMMENT \"D\"");
    EXPECT_EQ(RemoteCommandText(RemoteAction::kFileName, ""), "");
    EXPECT_EQ(RemoteCommandText(RemoteAction::kSaveWaveform), "FILE:SAVE:WAVEFORM:EXEC");
    EXPECT_EQ(RemoteCommandText(RemoteAction::kHardCopy), "HCOPY:EXEC");
    EXPECT_EQ(RemoteCommandText(RemoteAction::kStart), "START");
    EXPECT_EQ(RemoteCommandText(RemoteAction::kSingleStart), "SSTART");
    EXPECT_EQ(RemoteCommandText(RemoteAction::kLogStart), "LSTART");
    EXPECT_EQ(RemoteCommandText(RemoteAction::kStop), "STOP");
}

TEST(RemoteControl, ListsFeedTheTextActions)
{
    RemoteLists lists;
    lists.Update("TEST1", "", "COPY", "note");
    EXPECT_EQ(RemoteCommandText(RemoteAction::kFileName, lists.ListOf(RemoteAction::kFileName)->First()),
              "FILE:SAVE:SETUP:NAME \"TEST1\"");
    EXPECT_TRUE(lists.ListOf(RemoteAction::kFileComment)->Entries().empty());
    EXPECT_EQ(lists.ListOf(RemoteAction::kCopyComment)->First(), "note");
    EXPECT_EQ(lists.ListOf(RemoteAction::kStart), nullptr);
}

TEST(RemoteControl, SendsOneLineAndClosesThePort)
{
    FakeInstrument port(BlockFraming::kEndByEoi);
    EXPECT_EQ(SendRemoteCommand(port, CommTarget{5, {}}, "START"), kDownloadOk);
    EXPECT_EQ(port.Address(), 5);
    EXPECT_EQ(port.commands, std::vector<std::string>{"START"});
    EXPECT_EQ(port.TerminatorMode(), kTermLf);
    EXPECT_EQ(port.closeCount, 1);

    port.failWriteText = "STOP";
    EXPECT_EQ(SendRemoteCommand(port, CommTarget{5, {}}, "STOP"), kDownloadPortError);
    EXPECT_EQ(port.closeCount, 2);

    port.failOpen = 1;
    EXPECT_EQ(SendRemoteCommand(port, CommTarget{5, {}}, "START"), kDownloadPortError);
    EXPECT_EQ(port.commands.size(), 2u);  // nothing written to a port that did not open
}

TEST(CancelOnSignal, InterruptSetsTheFlagInsteadOfEndingTheProcess)
{
    std::atomic<bool> flag{false};
    {
        CancelOnSignal guard(flag);
        ASSERT_TRUE(guard.IsActive());
        kill(getpid(), SIGINT);
        for (int i = 0; i < 5000 && !flag; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(flag);
}

}  // namespace
}  // namespace kivelo::test
