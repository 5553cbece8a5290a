#include <gtest/gtest.h>

#include <algorithm>

#include "QvsimTestSupport.h"

using namespace kivelo::qvsim;
using namespace kivelo::qvsim::test;

namespace {

struct Block {
  std::string header;
  std::vector<std::uint8_t> data;
  std::string tail;  // what follows the announced bytes
};

// Splits a whole "WAV:SEND?" answer at the count its header announces.
Block Parse(const std::string& answer) {
  Block b;
  if (answer.size() < 2 || answer[0] != '#' || answer[1] < '1' || answer[1] > '9') {
    b.header = answer.substr(0, 2);
    return b;
  }
  const std::size_t digits = static_cast<std::size_t>(answer[1] - '0');
  b.header = answer.substr(0, 2 + digits);
  const std::size_t count = std::stoul(answer.substr(2, digits));
  const std::size_t start = 2 + digits;
  const std::size_t have = std::min(count, answer.size() - std::min(start, answer.size()));
  b.data.assign(answer.begin() + static_cast<long>(start), answer.begin() + static_cast<long>(start + have));
  b.tail = answer.substr(std::min(start + count, answer.size()));
  return b;
}

std::string Send(CQvSimulator& sim, const std::string& setup = "") {
  if (!setup.empty()) Ask(sim, setup);
  return Ask(sim, "WAV:SEND?");
}

}  // namespace

TEST(Block, DefiniteLengthFramingAndData) {
  CQvSimulator sim(MakeConfig({{"family", "qv8"}, {"length", "1234"}}));
  Ask(sim, "COMM:HEAD ON");  // block answers never carry a header
  const auto b = Parse(Send(sim, "WAV:TRAC 2;STAR 0;END 128256000;FORM WORD;BYT MSBF"));
  EXPECT_EQ(b.header, "#42468");
  EXPECT_EQ(b.data, ExpectedBytes(1, 0, 0, 1234));
  EXPECT_EQ(b.tail, "\n");
}

TEST(Block, ByteOrderAndRange) {
  CQvSimulator sim(MakeConfig({{"family", "qv43"}, {"length", "100"}}));
  auto b = Parse(Send(sim, "WAV:TRAC 3;BYT LSBF;STAR 10;END 19"));
  EXPECT_EQ(b.header, "#220");
  EXPECT_EQ(b.data, ExpectedBytes(2, 0, 10, 10, false));
  b = Parse(Send(sim, "WAV:STAR 50;END 5"));
  EXPECT_EQ(b.header, "#10");  // an empty range is an empty block
  EXPECT_EQ(b.tail, "\n");
  b = Parse(Send(sim, "WAV:STAR 90;END 100200"));
  EXPECT_EQ(b.data, ExpectedBytes(2, 0, 90, 10, false));  // clipped at the record's end
}

TEST(Block, RecordSelectionPerFamily) {
  CQvSimulator qv31(MakeConfig({{"model", "QV3140"}, {"records", "5"}, {"length", "40"}}));
  EXPECT_EQ(Parse(Send(qv31, "WAV:TRAC 2;:DISP:COUN -3")).data, ExpectedBytes(1, -3, 0, 40));
  CQvSimulator qv60(MakeConfig({{"family", "qv60"}, {"records", "5"}, {"length", "40"}}));
  EXPECT_EQ(Parse(Send(qv60)).data, ExpectedBytes(0, 5, 0, 40));  // the newest by default
  EXPECT_EQ(Parse(Send(qv60, "TRIG:NSIN:DCOU 2")).data, ExpectedBytes(0, 2, 0, 40));
  CQvSimulator qv43(MakeConfig({{"family", "qv43"}, {"records", "5"}, {"length", "40"}}));
  EXPECT_EQ(Parse(Send(qv43, "WAV:TRAC 4;REC -4")).data, ExpectedBytes(3, -4, 0, 40));
  CQvSimulator qv8(MakeConfig({{"family", "qv8"}, {"records", "5"}, {"length", "40"}}));
  EXPECT_EQ(Parse(Send(qv8, "WAV:REC -1")).data, ExpectedBytes(0, -1, 0, 40));
}

TEST(BlockFaults, ShortAndLongBlocks) {
  CQvSimulator shortBlock(MakeConfig({{"family", "qv8"}, {"length", "100"}, {"fault", "short"}}));
  auto b = Parse(Send(shortBlock));
  EXPECT_EQ(b.header, BlockHeader(150));
  EXPECT_EQ(b.data, ExpectedBytes(0, 0, 0, 75));
  EXPECT_EQ(b.tail, "\n");

  CQvSimulator longBlock(MakeConfig({{"family", "qv8"}, {"length", "100"}, {"fault", "long"}}));
  b = Parse(Send(longBlock));
  EXPECT_EQ(b.header, BlockHeader(252));
  EXPECT_EQ(b.data, ExpectedBytes(0, 0, 0, 126));  // the pattern simply continues
  EXPECT_EQ(b.tail, "\n");
}

TEST(BlockFaults, GarbledHeader) {
  CQvSimulator sim(MakeConfig({{"family", "qv60"}, {"length", "100"}, {"fault", "header"}}));
  const auto answer = Send(sim);
  EXPECT_EQ(answer.substr(0, 5), "#Z200");
  EXPECT_FALSE(answer[1] >= '0' && answer[1] <= '9');
}

TEST(BlockFaults, StallStopsHalfWayWithoutEnd) {
  CQvSimulator sim(MakeConfig({{"family", "qv43"}, {"length", "1000"}, {"fault", "stall"}}));
  sim.WriteMessage("WAV:SEND?");
  std::vector<std::uint8_t> buf(10000);
  const auto r = sim.Output().Read(buf, -1);
  EXPECT_EQ(r.count, 6u + 1000u);
  EXPECT_FALSE(r.end);
  EXPECT_TRUE(r.timedOut);
  // The instrument still answers the next command.
  EXPECT_EQ(Ask(sim, "*OPT?").front(), '4');
}

TEST(BlockFaults, LineFeedDataSplitsSerialReads) {
  CQvSimulator sim(MakeConfig({{"family", "qv31"}, {"length", "50"}, {"fault", "lf"}}));
  sim.WriteMessage("WAV:SEND?");
  std::vector<std::uint8_t> buf(1000);
  // A serial reader stops at every LF: header "#3100" then the first data byte (an LF).
  auto r = sim.Output().Read(buf, '\n');
  EXPECT_EQ(std::string(buf.begin(), buf.begin() + static_cast<long>(r.count)), "#3100\n");
  std::size_t pieces = 1, total = r.count;
  while (!sim.Output().Empty()) {
    r = sim.Output().Read(buf, '\n');
    total += r.count;
    ++pieces;
  }
  EXPECT_EQ(total, 5u + 100u + 1u);
  EXPECT_GE(pieces, 25u);
  const auto expected = ExpectedBytes(0, 0, 0, 50, true, SamplePattern::LineFeeds);
  EXPECT_EQ(std::count(expected.begin(), expected.end(), 0x0A), 25);
}

TEST(BlockFaults, OnlyTheNamedBlockIsHit) {
  CQvSimulator sim(MakeConfig({{"family", "qv8"}, {"length", "10"}, {"fault", "short:2"}}));
  EXPECT_EQ(Parse(Send(sim)).header, "#220");
  EXPECT_EQ(Parse(Send(sim)).header, "#214");
  EXPECT_EQ(Parse(Send(sim)).header, "#220");
}

TEST(BlockFaults, MuteAnswersNothing) {
  CQvSimulator sim(MakeConfig({{"family", "qv8"}, {"fault", "mute"}}));
  EXPECT_EQ(Ask(sim, "*IDN?"), "");
  EXPECT_EQ(Send(sim), "");
  EXPECT_EQ(sim.MessageCount(), 2);
}
