#include <gtest/gtest.h>

#include <algorithm>

#include "CResponseQueue.h"
#include "QvsimTestSupport.h"
#include "SampleData.h"

using namespace kivelo::qvsim;
using namespace kivelo::qvsim::test;

TEST(SampleData, FunctionValues) {
  EXPECT_EQ(SampleValue(0, 0, 0), 0);
  EXPECT_EQ(SampleValue(0, 0, 5), 15);
  EXPECT_EQ(SampleValue(1, -1, 2), 4096 - 257 + 6);
  EXPECT_EQ(SampleWord(15, 0, 1), 0xF003);  // wraps into the negative half
  EXPECT_EQ(SampleValue(15, 0, 1), static_cast<std::int16_t>(0xF003));
  EXPECT_EQ(SampleWord(0, 0, 65536), 0);  // 3 * 65536 wraps to 0
  // Distinct channels, records and points give distinct samples.
  EXPECT_NE(SampleWord(0, 1, 0), SampleWord(1, 0, 0));
  EXPECT_NE(SampleWord(0, 0, 1), SampleWord(0, 1, 0));
}

TEST(SampleData, LongRampsHoldLineFeedBytes) {
  const auto bytes = ExpectedBytes(0, 0, 0, 1000);
  EXPECT_NE(std::find(bytes.begin(), bytes.end(), 0x0A), bytes.end());
}

TEST(SampleData, LineFeedPatternPutsLfInEveryFourthByte) {
  const auto bytes = ExpectedBytes(2, -3, 0, 64, true, SamplePattern::LineFeeds);
  for (std::size_t i = 0; i < bytes.size(); i += 4) EXPECT_EQ(bytes[i], 0x0A) << i;
  EXPECT_EQ(SampleWord(2, -3, 1, SamplePattern::LineFeeds), SampleWord(2, -3, 1));
}

TEST(SampleData, FillAtAnyOffsetMatchesTheFunction) {
  for (bool msb : {true, false}) {
    for (auto pattern : {SamplePattern::Ramp, SamplePattern::LineFeeds}) {
      const BlockSource block{3, -7, 100, 50, msb, pattern};
      const auto expected = ExpectedBytes(3, -7, 100, 50, msb, pattern);
      for (std::uint64_t offset : {0u, 1u, 2u, 37u, 97u}) {
        for (std::size_t n : {0u, 1u, 2u, 3u, 2u}) {
          std::vector<std::uint8_t> out(n, 0xEE);
          FillBlockBytes(block, offset, out);
          EXPECT_TRUE(std::equal(out.begin(), out.end(), expected.begin() + static_cast<long>(offset)))
              << "offset " << offset << " n " << n << " msb " << msb;
        }
      }
      std::vector<std::uint8_t> whole(expected.size());
      FillBlockBytes(block, 0, whole);
      EXPECT_EQ(whole, expected);
    }
  }
}

TEST(ResponseQueue, PartialReadsLeaveEndUntilTheLastByte) {
  CResponseQueue q;
  q.AppendText("#14");
  q.AppendBlock(BlockSource{0, 0, 0, 2, true, SamplePattern::Ramp}, 4);
  q.AppendText("\n");
  q.MarkEnd();
  EXPECT_EQ(q.Pending(), 8u);
  std::vector<std::uint8_t> buf(5);
  auto r = q.Read(buf, -1);
  EXPECT_EQ(r.count, 5u);
  EXPECT_FALSE(r.end);
  EXPECT_FALSE(r.timedOut);
  r = q.Read(buf, -1);
  EXPECT_EQ(r.count, 3u);
  EXPECT_TRUE(r.end);
  EXPECT_TRUE(q.Empty());
}

TEST(ResponseQueue, StopCharacterAndMessageBoundaries) {
  CResponseQueue q;
  q.AppendText("AB\nCD");
  q.MarkEnd();
  q.AppendText("EF\n");
  q.MarkEnd();
  std::vector<std::uint8_t> buf(100);
  auto r = q.Read(buf, '\n');
  EXPECT_EQ(r.count, 3u);
  EXPECT_TRUE(r.end);
  r = q.Read(buf, 0);  // a stop character that never comes: END stops
  EXPECT_EQ(r.count, 2u);
  EXPECT_TRUE(r.end);
  r = q.Read(buf, -1);
  EXPECT_EQ(std::string(buf.begin(), buf.begin() + 3), "EF\n");
  EXPECT_TRUE(r.end);
  r = q.Read(buf, -1);
  EXPECT_EQ(r.count, 0u);
  EXPECT_TRUE(r.timedOut);
}

TEST(ResponseQueue, DataWithoutEndTimesOut) {
  CResponseQueue q;
  q.AppendText("#18");
  q.AppendBlock(BlockSource{0, 0, 0, 4, true, SamplePattern::Ramp}, 4);  // cut short, no END
  std::vector<std::uint8_t> buf(100);
  const auto r = q.Read(buf, -1);
  EXPECT_EQ(r.count, 7u);
  EXPECT_FALSE(r.end);
  EXPECT_TRUE(r.timedOut);
}
