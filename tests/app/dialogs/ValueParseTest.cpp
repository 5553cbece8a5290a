#include "app/core/ValueParse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

namespace kivelo::app {
namespace {

struct Case {
    const char* text;
    std::optional<double> value;
};

TEST(ValueParse, LeadingNumberOrNothing) {
    const Case cases[] = {
        // clang-format off
        {"1.5e3", 1500.0}, {" 2", 2.0},       {"10V", 10.0},        {"abc", std::nullopt},
        {"", std::nullopt}, {"   ", std::nullopt}, {"-", std::nullopt}, {".", std::nullopt},
        {"+.", std::nullopt}, {"e5", std::nullopt}, {"-0.25", -0.25},   {"+7", 7.0},
        {".5", 0.5},        {"5.", 5.0},       {"\t 3.25 V", 3.25},  {"1e", 1.0},
        {"1e+", 1.0},       {"1E-3x", 0.001},  {"2.5e+2mV", 250.0},  {"1.2.3", 1.2},
        {"0x10", 0.0},      {"12,5", 12.0},    {"--1", std::nullopt}, {"- 1", std::nullopt},
        {"1e-400", 0.0},    {"1e400", std::nullopt}, {"0e999999999999", 0.0},
        {"nan", std::nullopt}, {"NaN", std::nullopt}, {"inf", std::nullopt}, {"-Infinity", std::nullopt},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("text \"") + c.text + "\"");
        const std::optional<double> got = ParseLeadingNumber(c.text);
        ASSERT_EQ(got.has_value(), c.value.has_value());
        if (c.value) {
            EXPECT_DOUBLE_EQ(*got, *c.value);
        }
    }
}

TEST(ValueParse, LongDigitStringsAndExtremes) {
    EXPECT_DOUBLE_EQ(*ParseLeadingNumber("0.000000000000000000000000000001"), 1e-30);
    EXPECT_DOUBLE_EQ(*ParseLeadingNumber("100000000000000000000"), 1e20);
    EXPECT_DOUBLE_EQ(*ParseLeadingNumber("1.7976931348623157e308"), 1.7976931348623157e308);
    EXPECT_FALSE(ParseLeadingNumber("1.8e308").has_value());
    EXPECT_DOUBLE_EQ(*ParseLeadingNumber("0.0001e312"), 1e308);
    EXPECT_FALSE(ParseLeadingNumber("0.001e312").has_value());
    EXPECT_DOUBLE_EQ(*ParseLeadingNumber("-1e-400"), 0.0);
}

}  // namespace
}  // namespace kivelo::app
