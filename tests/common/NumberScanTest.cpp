// The one number scanner: its grammar, and how each overflow choice reads
// values beyond a double, beside the 32-bit integer saturation.
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string_view>

#include "common/NumberScan.h"

namespace kivelo {
namespace {

constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct RealCase {
    std::string_view text;
    std::optional<double> noNumber, largest, infinity, zero;  // one per RealOverflow
};

const RealCase kReals[] = {
    {"1.5e3", 1500, 1500, 1500, 1500},
    {"10V", 10, 10, 10, 10},
    {"-.5", -0.5, -0.5, -0.5, -0.5},
    {"+2.", 2, 2, 2, 2},
    {"1e", 1, 1, 1, 1},
    {"1e+x", 1, 1, 1, 1},
    {"1e-400", 0, 0, 0, 0},
    {"0.000e999", 0, 0, 0, 0},
    {"1e400", std::nullopt, kMax, kInf, 0},
    {"-1e400", std::nullopt, -kMax, -kInf, 0},
    {"0.0001e310", 1e306, 1e306, 1e306, 1e306},
    {"123e99999999999999999", std::nullopt, kMax, kInf, 0},
    {" 2", std::nullopt, std::nullopt, std::nullopt, std::nullopt},  // blanks are the caller's
    {"", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
    {"-", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
    {".", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
    {"+-5", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
    {"inf", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
    {"nan", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
    {"0x10", 0, 0, 0, 0},
};

TEST(NumberScanTest, RealsReadTheirLeadingNumberAndOverflowAsTheCallerChose) {
    const RealOverflow choices[] = {RealOverflow::kNoNumber, RealOverflow::kLargestFinite, RealOverflow::kInfinity,
                                    RealOverflow::kZero};
    for (const RealCase& c : kReals) {
        const std::optional<double> expected[] = {c.noNumber, c.largest, c.infinity, c.zero};
        for (int k = 0; k < 4; ++k) EXPECT_EQ(ScanLeadingReal(c.text, choices[k]), expected[k]) << c.text << " " << k;
    }
}

TEST(NumberScanTest, IntegersSaturateAtTheThirtyTwoBitLimits) {
    const std::pair<std::string_view, int32_t> cases[] = {
        {"42", 42},
        {"-7x", -7},
        {"+3", 3},
        {"", 0},
        {"abc", 0},
        {" 5", 0},
        {"2147483647", 2147483647},
        {"2147483648", std::numeric_limits<int32_t>::max()},
        {"-2147483648", std::numeric_limits<int32_t>::min()},
        {"-99999999999999999999999", std::numeric_limits<int32_t>::min()},
        {"99999999999999999999999", std::numeric_limits<int32_t>::max()},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(ScanLeadingInt32(text), value) << text;
    EXPECT_EQ(SkipLeadingBlanks(" \t\r\n\v\f7 "), "7 ");
}

}  // namespace
}  // namespace kivelo
