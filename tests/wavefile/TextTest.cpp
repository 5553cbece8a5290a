#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

#include "wavefile/CCachedFormatter.h"
#include "wavefile/NumberText.h"

namespace kivelo {
namespace {

// Sample texts: 7 significant digits, fixed form for exponents -1 .. 6, the point kept,
// three exponent digits, rounding that moves the exponent.
TEST(ValueText, SevenDigitTable) {
    const double inf = std::numeric_limits<double>::infinity();
    // clang-format off
    const std::pair<double, const char*> table[] = {
        {0.0, "0."}, {-0.0, "-0."}, {5.0, "5."}, {-0.25, "-0.25"}, {0.05, "5.e-002"},
        {0.5, "0.5"}, {0.1234567, "0.1234567"}, {0.01, "1.e-002"}, {1234567.0, "1234567"},
        {12345678.0, "1.234568e+007"}, {9999999.0, "9999999"}, {9999999.6, "1.e+007"},
        {0.099999996, "0.1"}, {123.45678, "123.4568"}, {-32768 * 0.001, "-32.768"},
        {1e100, "1.e+100"}, {-1.2345678e-300, "-1.234568e-300"}, {inf, "inf"}, {-inf, "-inf"},
        {std::nan(""), "nan"}};
    // clang-format on
    for (const auto& [v, text] : table) EXPECT_EQ(ValueTextOf(v), text) << v;
    ValueText t;
    t.fill('x');
    FormatValueText(-1.2345678e-300, t);
    EXPECT_STREQ(t.data(), "-1.234568e-300");  // the longest text fits its slot
}

// printf forms of the header writer, the CSV head and the display, with the
// exponent widened to three digits before the width applies.
TEST(FormatCrt, Table) {
    const std::tuple<const char*, double, const char*> table[] = {
        // clang-format off
        {"%G", 0.00001, "1E-005"}, {"%G", 0.0001, "0.0001"}, {"%G", 123456.0, "123456"},
        {"%G", 1234567.0, "1.23457E+006"}, {"%G", 0.0, "0"}, {"%G", -2.5e-7, "-2.5E-007"},
        {"%g", 1e100, "1e+100"}, {"%#g", 1.0, "1.00000"}, {"%.3g", 1234.0, "1.23e+003"},
        // clang-format on
        {"%.10G", 0.001, "0.001"},
        // clang-format off
        {"%-16.7E", 0.001, "1.0000000E-003  "}, {"%1.7E", -5.0, "-5.0000000E+000"},
        {"% 11.4E", 1.0, " 1.0000E+000"}, {"% 13.4E", 1.0, "  1.0000E+000"},
        {"%- 20.4E", -2.0, "-2.0000E+000        "}, {"%+e", 3.0, "+3.000000e+000"},
        {"%E", 1e-300, "1.000000E-300"}, {"%#.0e", 5.0, "5.e+000"}, {"%015.3E", -1.0, "-00001.000E+000"},
        {"%08.2f", -1.5, "-0001.50"}, {"%.0f", 2.5, "2"}, {"%#.0f", 3.0, "3."}, {"%lf", 1.0, "1.000000"},
        {"HRes=%G;%%", 0.001, "HRes=0.001;%"}, {"no conversion", 1.0, "no conversion"},
        {"%d %G", 1.0, "%d 1"}, {"%08f", std::numeric_limits<double>::infinity(), "     inf"},
        // clang-format on
        {"%", 1.0, "%"}};
    for (const auto& [fmt, v, text] : table) EXPECT_EQ(FormatCrt(fmt, v), text) << fmt << " " << v;
    EXPECT_EQ(FormatCrt(nullptr, 1.0), "");
}

TEST(Formatter, KindsAndCachedEntries) {
    CValueFormatter plain;
    plain.Set(0.5, 1.0, true);
    EXPECT_DOUBLE_EQ(plain.Value1(-1), 255 * 0.5 + 1.0);
    EXPECT_DOUBLE_EQ(plain.Value4(-1), 4294967295.0 * 0.5 + 1.0);
    plain.Set(2.0, 0.0, false, true);
    EXPECT_DOUBLE_EQ(plain.Value4(std::bit_cast<int32_t>(1.25f)), 2.5);

    // Entries stay until ClearCache, even across Set; the byte -1 shares entry 65,535
    // with the 2-byte -1; 4-byte samples are never cached.
    CCachedFormatter f;
    ValueText t;
    f.Set(1.0, 0.0, false);
    f.Text2(-1, t);
    EXPECT_STREQ(t.data(), "-1.");
    f.Set(3.0, 0.0, false);
    f.Text1(-1, t);
    EXPECT_STREQ(t.data(), "-1.");
    f.Text4(-1, t);
    EXPECT_STREQ(t.data(), "-3.");
    f.ClearCache();
    f.Text1(-1, t);
    EXPECT_STREQ(t.data(), "-3.");
    f.Set(0.001, 0.0, true);
    f.Text2(static_cast<int16_t>(0x8000), t);
    EXPECT_STREQ(t.data(), "32.768");  // unsigned: 32,768, not -32,768
}

}  // namespace
}  // namespace kivelo
