#include <gtest/gtest.h>

#include "QvsimTestSupport.h"

using namespace kivelo::qvsim;
using namespace kivelo::qvsim::test;

TEST(RemoteControl, RecorderCommandsAreLoggedAndNotAnswered) {
  TempDir dir;
  const auto log = dir.File("remote.log");
  CQvSimulator sim(MakeConfig({{"model", "QV818"}, {"log", log}}));
  for (const char* cmd : {"START", "SSTART", "LSTART", "STOP", "FILE:SAVE:SETUP:NAME \"TEST1\"",
                          "FILE:SAVE:SETUP:COMMENT \"run 7; \"hot\" case\"", "FILE:SAVE:WAVEFORM:EXEC",
                          "HCOPY:SAVE:NAME \"PIC1\"", "HCOPY:COMMENT \"\"", "HCOPY:EXEC"}) {
    EXPECT_EQ(Ask(sim, cmd), "") << cmd;
  }
  const auto text = ReadText(log);
  for (const char* line :
       {"> START\n", "= START\n", "= SSTART\n", "= LSTART\n", "= STOP\n",
        "= FILE:SAVE:SETUP:NAME \"TEST1\"\n", "= FILE:SAVE:SETUP:COMMENT \"run 7; \"hot\" case\"\n",
        "= waveform saved as \"TEST1\" comment \"run 7; \"hot\" case\"\n", "= HCOPY:SAVE:NAME \"PIC1\"\n",
        "= hard copy \"PIC1\" comment \"\"\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(text.find("! "), std::string::npos) << text;
  // The stored texts can be read back.
  Ask(sim, "COMM:HEAD OFF");
  EXPECT_EQ(Ask(sim, "FILE:SAVE:SETUP:NAME?"), "\"TEST1\"\n");
}

TEST(RemoteControl, OtherFamiliesOnlyStartAndStop) {
  TempDir dir;
  const auto log = dir.File("remote.log");
  CQvSimulator sim(MakeConfig({{"family", "qv31"}, {"log", log}}));
  EXPECT_EQ(Ask(sim, "STOP"), "");
  EXPECT_EQ(Ask(sim, "HCOPY:EXEC"), "");
  const auto text = ReadText(log);
  EXPECT_NE(text.find("= STOP\n"), std::string::npos);
  EXPECT_NE(text.find("! unknown command: HCOPY:EXEC\n"), std::string::npos);
}

TEST(RemoteControl, ControlBytesAreEscapedInTheLog) {
  TempDir dir;
  const auto log = dir.File("remote.log");
  CQvSimulator sim(MakeConfig({{"family", "qv8"}, {"log", log}}));
  const std::uint8_t raw[] = {'S', 'T', 0x01, 'P', 0xFF};
  sim.Write(raw, true);
  EXPECT_NE(ReadText(log).find("> ST\\x01P\\xFF\n"), std::string::npos);
}
