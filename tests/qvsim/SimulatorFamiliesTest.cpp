#include <gtest/gtest.h>
#include <stdlib.h>

#include "QvsimTestSupport.h"

using namespace kivelo::qvsim;
using namespace kivelo::qvsim::test;

namespace {

// Headers off first, as every driver query does.
std::string Query(CQvSimulator& sim, const std::string& q) {
  Ask(sim, "COMM:HEAD OFF");
  return Ask(sim, q);
}

}  // namespace

TEST(Identification, CodeAndVersionSitAtFixedOffsets) {
  const std::pair<const char*, int> models[] = {{"QV818", 518001}, {"QV818E", 518002}, {"QV826", 518003},
                                                {"QV4300", 514101}, {"QV6010", 512010}, {"QV6030", 512030},
                                                {"QV3120", 516001}, {"QV3140L", 516004}};
  for (const auto& [name, code] : models) {
    CQvSimulator sim(MakeConfig({{"model", name}, {"firmware", "F2.34"}}));
    const auto idn = Ask(sim, "*IDN?");
    ASSERT_GE(idn.size(), 24u) << name;
    EXPECT_EQ(idn[8], ',');
    EXPECT_EQ(std::stoi(idn.substr(9, 6)), code) << name;
    EXPECT_EQ(idn.substr(18, 5), "F2.34");
    EXPECT_EQ(idn.back(), '\n');
  }
  // Codes outside every table are allowed, to stand for an unknown instrument.
  CQvSimulator other(MakeConfig({{"family", "qv60"}, {"model", "123456"}}));
  EXPECT_EQ(Ask(other, "*IDN?").substr(9, 6), "123456");
}

TEST(Headers, OnByDefaultOffOnRequestNeverOnCommonQueries) {
  CQvSimulator sim(MakeConfig({{"family", "qv43"}, {"length", "2500"}}));
  EXPECT_EQ(Ask(sim, "WAV:LENG?"), ":WAV:LENG 2500\n");
  EXPECT_EQ(Ask(sim, "*IDN?").substr(0, 8), "KIVELOSM");
  EXPECT_EQ(Ask(sim, "COMM:HEAD OFF"), "");
  EXPECT_EQ(Ask(sim, "WAV:LENG?"), "2500\n");
  EXPECT_EQ(Ask(sim, "COMMUNICATE:HEADER?"), "0\n");
  EXPECT_EQ(Ask(sim, "COMM:HEAD ON;:CHAN2:DISP?"), ":CHAN2:DISP 1\n");
}

TEST(Commands, CompoundMessagesAndAnswerJoining) {
  CQvSimulator sim(MakeConfig({{"family", "qv8"}}));
  Ask(sim, "COMM:HEAD OFF");
  EXPECT_EQ(Ask(sim, "WAV:STAR 10;END 19;BYT LSBF"), "");
  EXPECT_EQ(Ask(sim, "WAV:STAR?;END?;BYT?"), "10;19;LSBF\n");
  EXPECT_EQ(Ask(sim, "*RST;COMM:HEAD OFF;:WAV:STAR?;BYT?"), "0;MSBF\n");
}

TEST(Commands, UnknownAndForeignCommandsAreNotAnswered) {
  TempDir dir;
  CQvSimulator sim(MakeConfig({{"family", "qv60"}, {"log", dir.File("log.txt")}}));
  EXPECT_EQ(Ask(sim, "BOGUS?"), "");
  EXPECT_EQ(Ask(sim, "HIST:DISP?"), "");    // a QV8/QV43 query
  EXPECT_EQ(Ask(sim, "CHAN5:MODE?"), "");   // only four channels
  EXPECT_EQ(Ask(sim, "WAV:TRAC 9"), "");    // refused, trace stays 1
  EXPECT_EQ(Query(sim, "WAV:TRAC?"), "1\n");
  const auto log = ReadText(dir.File("log.txt"));
  EXPECT_NE(log.find("! unknown command: BOGUS?"), std::string::npos);
  EXPECT_NE(log.find("! unknown command: HIST:DISP?"), std::string::npos);
  EXPECT_NE(log.find("! parameter refused: WAV:TRAC 9"), std::string::npos);
}

TEST(Commands, NewMessageDiscardsAnUnreadAnswer) {
  CQvSimulator sim(MakeConfig({{"family", "qv8"}}));
  sim.WriteMessage("*IDN?");
  EXPECT_EQ(sim.StatusByte(), 0x10);
  EXPECT_EQ(Ask(sim, "*OPT?"), "NONE\n");
  EXPECT_EQ(sim.StatusByte(), 0x00);
  sim.SetInterruptUnread(false);  // as on a serial line
  sim.WriteMessage("*OPT?");
  EXPECT_EQ(Ask(sim, "*OPT?"), "NONE\nNONE\n");
}

TEST(Commands, MessagesEndAtLfCrOrEnd) {
  CQvSimulator sim(MakeConfig({{"family", "qv8"}}));
  const std::string text = "COMM:HEAD OFF\r\nWAV:LE";
  sim.Write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), false);
  EXPECT_TRUE(sim.Output().Empty());
  const std::string rest = "NG?";
  sim.Write(std::span(reinterpret_cast<const std::uint8_t*>(rest.data()), rest.size()), true);
  EXPECT_EQ(Drain(sim), "1000\n");
  EXPECT_EQ(sim.MessageCount(), 2);
}

TEST(FamilyQv31, ChannelsHistoryAndTimes) {
  CQvSimulator two(MakeConfig({{"model", "QV3120"}}));
  EXPECT_EQ(Query(two, "CHAN2:MODE?"), "1\n");
  EXPECT_EQ(Query(two, "CHAN3:MODE?"), "");  // a two-channel model
  EXPECT_EQ(Query(two, "ACQ:HIST?"), "0\n");

  CQvSimulator sim(MakeConfig({{"model", "QV3140"}, {"channels", "1,3"}, {"records", "5"}}));
  EXPECT_EQ(Query(sim, "CHAN1:MODE?;:CHAN2:MODE?;:CHAN3:MODE?;:CHAN4:MODE?"), "1;0;1;0\n");
  EXPECT_EQ(Query(sim, "ACQ:HIST?"), "1\n");
  EXPECT_EQ(Query(sim, "TRIG:MODE?").front(), 'N');
  EXPECT_EQ(Ask(sim, "DISP:COUN -100"), "");
  EXPECT_EQ(Query(sim, "DISP:COUN?"), "-4\n");  // records -4..0
  const auto stamp = Query(sim, "DISP:TIME? -4");
  EXPECT_EQ(stamp, "\"01/15 10:20:26\"\n");
  EXPECT_EQ(stamp.substr(7, 8), "10:20:26");  // seventh character inside the quotes
  EXPECT_EQ(Query(sim, "SYST:CLOC:DATE?;TIME?"), "\"2026/01/15\";\"10:20:30\"\n");
  EXPECT_EQ(Query(sim, "TIM:SOUR?"), "INT\n");
  EXPECT_EQ(Query(sim, "WAV:TRAC 3;VDIV?"), "5.0000E+00\n");
  EXPECT_EQ(Query(sim, "WAV:SRAT?"), "1.0000E+05\n");
  EXPECT_EQ(Query(sim, "WAV:OFFS?"), "5.0000E-01\n");
  EXPECT_EQ(Query(sim, "WAV:TRIG?"), "100\n");
}

TEST(FamilyQv60, NSingleCountAndTimes) {
  CQvSimulator sim(MakeConfig({{"family", "qv60"}, {"records", "3"}, {"length", "5000"}, {"date", "2026/03/01"},
                               {"time", "00:00:01"}, {"time-step", "2"}}));
  EXPECT_EQ(Query(sim, "TRIG:NSIN:DCOU?"), "3\n");
  EXPECT_EQ(Query(sim, "TRIG:NSIN:TIME? 3"), "\"00:00:01\"\n");
  EXPECT_EQ(Query(sim, "TRIG:NSIN:TIME? 2"), "\"23:59:59\"\n");  // the day before
  EXPECT_EQ(Query(sim, "TRIG:NSIN:TIME? 9"), "\"        \"\n");  // no such record: blank
  EXPECT_EQ(Query(sim, "WAV:START 0;END 100200"), "");
  EXPECT_EQ(Query(sim, "WAV:LENG?"), "5000\n");
  EXPECT_EQ(Query(sim, "CHAN4:MODE?;:CHAN1:MODE?"), "1;1\n");

  CQvSimulator plain(MakeConfig({{"family", "qv60"}, {"records", "2"}, {"stamps", "0"}}));
  EXPECT_EQ(Query(plain, "TRIG:NSIN:TIME? 1").at(7), ' ');
}

TEST(FamilyQv43, OptionsDisplayAndHistory) {
  CQvSimulator four(MakeConfig({{"family", "qv43"}, {"channels", "2"}}));
  EXPECT_EQ(Ask(four, "*OPT?").front(), '4');
  EXPECT_EQ(Query(four, "HIST:DISP?"), "SINGLE\n");

  CQvSimulator sim(MakeConfig({{"family", "qv43"}, {"channels", "1,6"}, {"records", "10"}, {"ext-clock", "1"}}));
  EXPECT_EQ(Ask(sim, "*OPT?"), "8CH,EXTCLOCK\n");
  EXPECT_EQ(Query(sim, "CHAN6:DISP?;:CHAN5:DISP?"), "1;0\n");
  EXPECT_EQ(Query(sim, "HIST:DISP?"), "0,-9\n");
  EXPECT_EQ(Query(sim, "WAV:REC -20;REC?"), "-9\n");  // clamped to the oldest
  EXPECT_EQ(Query(sim, "ACQ:CLOC?"), "EXT\n");
  EXPECT_EQ(Query(sim, "CHAN1:LSC:MODE?"), "0\n");
  EXPECT_EQ(Query(sim, "SYST:DATE?;TIME?"), "\"2026/01/15\";\"10:20:30\"\n");
}

TEST(FamilyQv8, ModulesPerSlot) {
  CQvSimulator sim(MakeConfig({{"model", "QV826"}, {"modules", "HS,-,LOGIC,TEMP,STRAIN,520105,HR"}}));
  EXPECT_EQ(Query(sim, "CHAN1:MODU?"), "\"520101\"\n");
  EXPECT_EQ(Query(sim, "CHAN2:MODU?"), "\"0\"\n");
  EXPECT_EQ(Query(sim, "CHAN2:DISP?;:CHAN3:DISP?"), "0;1\n");
  EXPECT_EQ(Query(sim, "CHAN16:MODU?"), "\"0\"\n");  // sixteen slots on the QV826
  EXPECT_EQ(Query(sim, "CHAN17:MODU?"), "");
  EXPECT_EQ(Query(sim, "WAV:TRAC 3;MODU?"), "520120\n");
  EXPECT_EQ(Query(sim, "WAV:TRAC 4;MODU?;RANG?"), "520110;1.0000E-01\n");
  EXPECT_EQ(Query(sim, "WAV:TRAC 6;MODU?;RANG?"), "520105;2.0000E+01\n");
  EXPECT_EQ(Query(sim, "CHAN4:TEMP:UNIT?"), "C\n");
  EXPECT_EQ(Query(sim, "CHAN5:STR:LSC:MODE?;:CHAN1:VOLT:LSC:MODE?"), "0;0\n");

  CQvSimulator small(MakeConfig({{"model", "QV818"}}));
  EXPECT_EQ(Query(small, "CHAN9:MODU?"), "");
  EXPECT_EQ(Query(small, "CHAN4:MODU?;:CHAN5:MODU?"), "\"520101\";\"0\"\n");
}

TEST(FamilyQv8, HistoryTimesAndOptions) {
  CQvSimulator sim(MakeConfig({{"family", "qv8"}, {"records", "4"}, {"ext-clock", "1"}}));
  EXPECT_EQ(Query(sim, "HIST:DISP?"), "0,-3\n");
  EXPECT_EQ(Query(sim, "HIST:TIME? -3"), "\"10:20:27\"\n");
  EXPECT_EQ(Query(sim, "HIST:TIME? 0"), "\"10:20:30\"\n");
  EXPECT_EQ(Ask(sim, "*OPT?"), "EXTCLOCK\n");
  EXPECT_EQ(Query(sim, "ACQ:CLOC?"), "EXT\n");
}

TEST(Configuration, RefusesWhatNoInstrumentHas) {
  SimConfig c;
  EXPECT_NE(ApplySetting(c, "family", "qv99"), "");
  EXPECT_NE(ApplySetting(c, "fault", "sparks"), "");
  EXPECT_NE(ApplySetting(c, "length", "0"), "");
  EXPECT_NE(ApplySetting(c, "records", "1001"), "");
  EXPECT_NE(ApplySetting(c, "modules", "HS,FLUX"), "");
  EXPECT_NE(ApplySetting(c, "date", "2026-01-15"), "");
  EXPECT_NE(ApplySetting(c, "colour", "red"), "");
  SimConfig qv60;
  ASSERT_EQ(ApplySetting(qv60, "family", "qv60"), "");
  ASSERT_EQ(ApplySetting(qv60, "channels", "5"), "");
  EXPECT_NE(Finalize(qv60, true), "");
  SimConfig modules;
  ASSERT_EQ(ApplySetting(modules, "family", "qv31"), "");
  ASSERT_EQ(ApplySetting(modules, "modules", "HS"), "");
  EXPECT_NE(Finalize(modules, true), "");
}

TEST(Configuration, EnvironmentVariables) {
  ::setenv("QVSIM_FAMILY", "qv43", 1);
  ::setenv("QVSIM_TIME_STEP", "7", 1);
  ::setenv("QVSIM_FAULT", "short:2", 1);
  SimConfig c;
  EXPECT_EQ(ApplyEnvironment(c), "");
  EXPECT_EQ(c.family, Family::QV43);
  EXPECT_EQ(c.timeStep, 7);
  EXPECT_EQ(c.fault, FaultKind::Short);
  EXPECT_EQ(c.faultBlock, 2);
  EXPECT_EQ(Finalize(c, true), "");
  EXPECT_EQ(c.modelCode, 514101);
  ::setenv("QVSIM_RECORDS", "many", 1);
  SimConfig bad;
  EXPECT_NE(ApplyEnvironment(bad).find("QVSIM_RECORDS"), std::string::npos);
  for (const char* v : {"QVSIM_FAMILY", "QVSIM_TIME_STEP", "QVSIM_FAULT", "QVSIM_RECORDS"}) ::unsetenv(v);
}

TEST(Commands, GarbageIsSurvived) {
  // Deterministic noise built from the command vocabulary and stray bytes.
  const char* pieces[] = {"WAV", ":", "SEND", "?", ";", "TRAC", " ", "-", "99999999999999999999", "CHAN",
                          "0", "65535", "\"", "*IDN", "HIST:TIME", "DISP:COUN", "STAR", "END", "REC", "#",
                          "\x01", "\xFF", "TRIG:NSIN:DCOU", "FILE:SAVE:SETUP:NAME", "1e9", "MODU", "RANG"};
  std::uint32_t seed = 12345;
  for (const char* family : {"qv8", "qv43", "qv60", "qv31"}) {
    CQvSimulator sim(MakeConfig({{"family", family}, {"length", "64"}, {"records", "3"}}));
    for (int m = 0; m < 400; ++m) {
      std::string message;
      const int parts = 1 + static_cast<int>(seed % 12);
      for (int p = 0; p < parts; ++p) {
        seed = seed * 1103515245u + 12345u;
        message += pieces[(seed >> 8) % std::size(pieces)];
      }
      Ask(sim, message);
    }
    EXPECT_EQ(Ask(sim, "*IDN?").substr(0, 9), "KIVELOSM,") << family;
  }
}
