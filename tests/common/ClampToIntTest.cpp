#include <gtest/gtest.h>

#include <climits>

#include "common/ClampToInt.h"

namespace kivelo {
namespace {

TEST(ClampToInt, SaturatesAtTheIntRange) {
    EXPECT_EQ(ClampToInt(1LL << 40), INT_MAX);
    EXPECT_EQ(ClampToInt(-(1LL << 40)), INT_MIN);
    EXPECT_EQ(ClampToInt(INT_MIN), INT_MIN);
    EXPECT_EQ(ClampToInt(-7), -7);
}

}  // namespace
}  // namespace kivelo
