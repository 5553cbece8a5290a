#include <gtest/gtest.h>

#include "ScpiCommand.h"

using namespace kivelo::qvsim;

namespace {
std::string Path(const ScpiCommand& c) {
  std::string out;
  for (const auto& n : c.nodes) out += (out.empty() ? "" : ":") + n.name + (n.suffix >= 0 ? std::to_string(n.suffix) : "");
  return out;
}
}  // namespace

TEST(ScpiCommand, RelativeCommandsContinueThePath) {
  const auto cmds = SplitProgramMessage("WAV:STAR 0;END 128256000;FORM WORD;BYT MSBF");
  ASSERT_EQ(cmds.size(), 4u);
  EXPECT_EQ(Path(cmds[0]), "WAV:STAR");
  EXPECT_EQ(cmds[0].params, "0");
  EXPECT_EQ(Path(cmds[1]), "WAV:END");
  EXPECT_EQ(cmds[1].params, "128256000");
  EXPECT_EQ(Path(cmds[3]), "WAV:BYT");
  EXPECT_FALSE(cmds[3].query);
}

TEST(ScpiCommand, CommonAndAbsoluteCommands) {
  const auto cmds = SplitProgramMessage("chan3:mode?;*IDN?;DISP?; :WAV:SEND?");
  ASSERT_EQ(cmds.size(), 4u);
  EXPECT_EQ(Path(cmds[0]), "CHAN3:MODE");
  EXPECT_TRUE(cmds[0].query);
  EXPECT_TRUE(cmds[1].common);
  EXPECT_EQ(Path(cmds[1]), "*IDN");
  EXPECT_EQ(Path(cmds[2]), "CHAN3:DISP");  // the common command left the path alone
  EXPECT_EQ(Path(cmds[3]), "WAV:SEND");
}

TEST(ScpiCommand, QuotedSemicolonsAndQueryParameters) {
  const auto cmds = SplitProgramMessage("HCOPY:COMMENT \"a;b\";HIST:TIME? -3");
  ASSERT_EQ(cmds.size(), 2u);
  EXPECT_EQ(cmds[0].params, "\"a;b\"");
  EXPECT_EQ(UnquoteParam(cmds[0].params), "a;b");
  EXPECT_TRUE(cmds[1].query);
  long long v = 0;
  EXPECT_TRUE(ParseIntParam(cmds[1].params, v));
  EXPECT_EQ(v, -3);
  EXPECT_FALSE(ParseIntParam("12x", v));
  EXPECT_FALSE(ParseIntParam("", v));
  EXPECT_EQ(UnquoteParam("\"say \"hi\"\""), "say \"hi\"");
}

TEST(ScpiCommand, MnemonicForms) {
  EXPECT_TRUE(MatchesMnemonic("WAV", "WAVeform"));
  EXPECT_TRUE(MatchesMnemonic("waveform", "WAVeform"));
  EXPECT_FALSE(MatchesMnemonic("WAVE", "WAVeform"));
  EXPECT_TRUE(MatchesMnemonic("START", "STARt"));
  EXPECT_TRUE(MatchesMnemonic("STAR", "STARt"));
  EXPECT_EQ(ShortForm("DCOUnt"), "DCOU");
  EXPECT_TRUE(SplitProgramMessage(" ; ;").empty());
}
