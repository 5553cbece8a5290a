#include <gtest/gtest.h>

#include <bit>

#include "CCachedFormatter.h"

namespace kivelo {
namespace {

TEST(ValueFormatter, SignedUnsignedAndFloatValues) {
    CValueFormatter f;
    EXPECT_EQ(f.digits, 7);
    f.Set(0.5, 1.0, false);
    EXPECT_DOUBLE_EQ(f.Value1(-1), 0.5);
    EXPECT_DOUBLE_EQ(f.Value2(-2), 0.0);
    EXPECT_DOUBLE_EQ(f.Value4(-4), -1.0);
    f.Set(0.5, 1.0, true);
    EXPECT_DOUBLE_EQ(f.Value1(-1), 255 * 0.5 + 1.0);
    EXPECT_DOUBLE_EQ(f.Value2(-1), 65535 * 0.5 + 1.0);
    EXPECT_DOUBLE_EQ(f.Value4(-1), 4294967295.0 * 0.5 + 1.0);
    f.Set(2.0, 0.0, false, true);
    EXPECT_DOUBLE_EQ(f.Value4(std::bit_cast<int32_t>(1.25f)), 2.5);
    ValueText t;
    f.Text4(std::bit_cast<int32_t>(-0.125f), t);
    EXPECT_STREQ(t.data(), "-0.25");
}

TEST(CachedFormatter, OneByteSamplesShareSignExtendedEntries) {
    CCachedFormatter f;
    f.Set(1.0, 0.0, false);
    ValueText t;
    f.Text2(-1, t);  // entry 65,535
    EXPECT_STREQ(t.data(), "-1.");
    f.Set(3.0, 0.0, false);
    f.Text1(-1, t);  // the byte -1 uses entry 65,535 too: the stored text comes back
    EXPECT_STREQ(t.data(), "-1.");
    f.Text4(-1, t);  // 4-byte samples are never cached
    EXPECT_STREQ(t.data(), "-3.");
    f.ClearCache();
    f.Text1(-1, t);
    EXPECT_STREQ(t.data(), "-3.");
    f.Text1(127, t);
    EXPECT_STREQ(t.data(), "381.");
}

TEST(CachedFormatter, EntriesStayUntilCleared) {
    CCachedFormatter f;
    f.Set(0.001, 0.0, true);
    ValueText t;
    f.Text2(static_cast<int16_t>(0x8000), t);
    EXPECT_STREQ(t.data(), "32.768");
    f.Set(1.0, 0.0, true);
    f.Text2(static_cast<int16_t>(0x8000), t);
    EXPECT_STREQ(t.data(), "32.768");
    f.ClearCache();
    f.Text2(static_cast<int16_t>(0x8000), t);
    EXPECT_STREQ(t.data(), "32768.");
}

}  // namespace
}  // namespace kivelo
