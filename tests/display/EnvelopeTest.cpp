#include <gtest/gtest.h>

#include "Envelope.h"

namespace kivelo {
namespace {

TEST(Envelope, ThreePointRecordIsTwoRampsAcrossTheWidth) {
    const std::vector<int16_t> pts{0, 1000, 0};
    const auto pairs = BuildEnvelope(pts, 1000, false);
    ASSERT_EQ(pairs.size(), 1000u);
    EXPECT_EQ(pairs.front().lo, 0);
    // Peak in the middle, both ends low: the second ramp is not cut off.
    int peak = 0;
    for (size_t i = 0; i < pairs.size(); ++i)
        if (pairs[i].hi > pairs[static_cast<size_t>(peak)].hi) peak = static_cast<int>(i);
    EXPECT_NEAR(peak, 500, 2);
    EXPECT_GE(pairs[static_cast<size_t>(peak)].hi, 995);
    EXPECT_LE(pairs.back().hi, 5);
    // Monotonic rise on the first half.
    for (size_t i = 1; i < 490; ++i) EXPECT_GE(pairs[i].hi, pairs[i - 1].hi);
}

TEST(Envelope, LogicStretchIsSampleAndHold) {
    const std::vector<int16_t> pts{0, 1, 0};
    const auto pairs = BuildEnvelope(pts, 1000, true);
    ASSERT_EQ(pairs.size(), 1000u);
    for (const auto& p : pairs) {
        EXPECT_TRUE(p.lo == 0 || p.lo == 1);
        EXPECT_TRUE(p.hi == 0 || p.hi == 1);
    }
    EXPECT_EQ(pairs[100].lo, 0);
    EXPECT_EQ(pairs[700].lo, 1);
}

TEST(Envelope, FewerThanThreePointsGiveAFlatTrace) {
    EXPECT_TRUE(BuildEnvelope(std::vector<int16_t>{}, 1000, false).empty());
    const auto one = BuildEnvelope(std::vector<int16_t>{77}, 10, false);
    ASSERT_EQ(one.size(), 10u);
    EXPECT_EQ(one[9].lo, 77);
    EXPECT_EQ(one[9].hi, 77);
    const auto two = BuildEnvelope(std::vector<int16_t>{5, 9}, 4, false);
    ASSERT_EQ(two.size(), 4u);
    EXPECT_EQ(two[3].hi, 5);
}

TEST(Envelope, EnoughPointsArePairedAndJoined) {
    // Pairs (10,0) (100,90) (-50,-40) (0,0): ordered, then each joined to the one before.
    const std::vector<int16_t> pts{10, 0, 100, 90, -50, -40, 0, 0};
    const auto pairs = BuildEnvelope(pts, 4, false);
    ASSERT_EQ(pairs.size(), 4u);
    EXPECT_EQ(pairs[0].lo, 0);
    EXPECT_EQ(pairs[0].hi, 10);
    EXPECT_EQ(pairs[1].lo, 10);  // previous max below current min
    EXPECT_EQ(pairs[1].hi, 100);
    EXPECT_EQ(pairs[2].lo, -50);  // previous min above current max
    EXPECT_EQ(pairs[2].hi, 10);
    EXPECT_EQ(pairs[3].lo, 0);    // overlapping the previous pair: unchanged
    EXPECT_EQ(pairs[3].hi, 0);
    // More points than pairs: only the first 2M values are used.
    EXPECT_EQ(BuildEnvelope(pts, 2, false).size(), 2u);
}

TEST(Envelope, StretchFollowsTheIntervalCountAsked) {
    // 12 points, 10 intervals spanned (zoom reads two extra points): 1000 pairs
    // reach exactly point 10 at the end.
    std::vector<int16_t> pts;
    for (int i = 0; i < 12; ++i) pts.push_back(static_cast<int16_t>(i * 100));
    const auto pairs = BuildEnvelope(pts, 1000, false, 10);
    ASSERT_EQ(pairs.size(), 1000u);
    EXPECT_NEAR(pairs.back().hi, 1000, 2);
    const auto values = StretchPoints(pts, 2000, false, 10);
    EXPECT_EQ(values.size(), 11u * 200 + 1);  // (P - 1) x 200 per interval + the last point
}

TEST(Envelope, ExtremeValuesDoNotOverflow) {
    const std::vector<int16_t> pts{-32768, 32767, -32768};
    const auto pairs = BuildEnvelope(pts, 1000, false);
    ASSERT_EQ(pairs.size(), 1000u);
    for (const auto& p : pairs) {
        EXPECT_GE(p.lo, -32768);
        EXPECT_LE(p.hi, 32767);
        EXPECT_LE(p.lo, p.hi);
    }
}

}  // namespace
}  // namespace kivelo
