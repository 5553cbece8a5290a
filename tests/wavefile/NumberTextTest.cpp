#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "NumberText.h"

namespace kivelo {
namespace {

TEST(ValueText, SevenDigitRuleTable) {
    EXPECT_EQ(ValueTextOf(0.0), "0.");
    EXPECT_EQ(ValueTextOf(-0.0), "-0.");  // as "%#.7g" writes negative zero
    EXPECT_EQ(ValueTextOf(5.0), "5.");
    EXPECT_EQ(ValueTextOf(-0.25), "-0.25");
    EXPECT_EQ(ValueTextOf(0.05), "5.e-002");
    EXPECT_EQ(ValueTextOf(1234567.0), "1234567");
    EXPECT_EQ(ValueTextOf(12345678.0), "1.234568e+007");
}

TEST(ValueText, ExponentLimitsAndRounding) {
    EXPECT_EQ(ValueTextOf(0.5), "0.5");            // e = -1 stays fixed
    EXPECT_EQ(ValueTextOf(0.1234567), "0.1234567");
    EXPECT_EQ(ValueTextOf(0.01), "1.e-002");
    EXPECT_EQ(ValueTextOf(9999999.0), "9999999");
    EXPECT_EQ(ValueTextOf(9999999.6), "1.e+007");  // rounding moves the exponent
    EXPECT_EQ(ValueTextOf(0.099999996), "0.1");
    EXPECT_EQ(ValueTextOf(123.45678), "123.4568");
    EXPECT_EQ(ValueTextOf(-32768 * 0.001), "-32.768");
    EXPECT_EQ(ValueTextOf(1e100), "1.e+100");
    EXPECT_EQ(ValueTextOf(-1.2345678e-300), "-1.234568e-300");
    EXPECT_LE(ValueTextOf(-1.2345678e-300).size(), 14u);
}

TEST(ValueText, NonFiniteAndSlot) {
    EXPECT_EQ(ValueTextOf(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(ValueTextOf(-std::numeric_limits<double>::infinity()), "-inf");
    EXPECT_EQ(ValueTextOf(std::nan("")), "nan");
    ValueText t;
    t.fill('x');
    FormatValueText(-0.25, t);
    EXPECT_STREQ(t.data(), "-0.25");
}

TEST(FormatCrt, GeneralForm) {
    EXPECT_EQ(FormatCrt("%G", 0.00001), "1E-005");
    EXPECT_EQ(FormatCrt("%G", 0.0001), "0.0001");
    EXPECT_EQ(FormatCrt("%G", 0.001), "0.001");
    EXPECT_EQ(FormatCrt("%G", 0.5), "0.5");
    EXPECT_EQ(FormatCrt("%G", 123456.0), "123456");
    EXPECT_EQ(FormatCrt("%G", 1234567.0), "1.23457E+006");
    EXPECT_EQ(FormatCrt("%G", 0.0), "0");
    EXPECT_EQ(FormatCrt("%G", -2.5e-7), "-2.5E-007");
    EXPECT_EQ(FormatCrt("%g", 1e100), "1e+100");
    EXPECT_EQ(FormatCrt("%#g", 1.0), "1.00000");
    EXPECT_EQ(FormatCrt("%.3g", 1234.0), "1.23e+003");
}

TEST(FormatCrt, ExponentFormWidthAndFlags) {
    EXPECT_EQ(FormatCrt("%-16.7E", 0.001), "1.0000000E-003  ");
    EXPECT_EQ(FormatCrt("%1.7E", -5.0), "-5.0000000E+000");
    EXPECT_EQ(FormatCrt("% 11.4E", 1.0), " 1.0000E+000");
    EXPECT_EQ(FormatCrt("% 13.4E", 1.0), "  1.0000E+000");  // width after widening
    EXPECT_EQ(FormatCrt("%- 20.4E", 2.0), " 2.0000E+000        ");
    EXPECT_EQ(FormatCrt("%- 20.4E", -2.0), "-2.0000E+000        ");
    EXPECT_EQ(FormatCrt("%+e", 3.0), "+3.000000e+000");
    EXPECT_EQ(FormatCrt("%E", 1e-300), "1.000000E-300");
    EXPECT_EQ(FormatCrt("%#.0e", 5.0), "5.e+000");
    EXPECT_EQ(FormatCrt("%015.3E", -1.0), "-00001.000E+000");
}

TEST(FormatCrt, FixedFormTextAndOddFormats) {
    EXPECT_EQ(FormatCrt("%f", 1.5), "1.500000");
    EXPECT_EQ(FormatCrt("%08.2f", -1.5), "-0001.50");
    EXPECT_EQ(FormatCrt("%.0f", 2.5), "2");
    EXPECT_EQ(FormatCrt("%#.0f", 3.0), "3.");
    EXPECT_EQ(FormatCrt("%lf", 1.0), "1.000000");
    EXPECT_EQ(FormatCrt("HRes=%G;%%", 0.001), "HRes=0.001;%");
    EXPECT_EQ(FormatCrt("no conversion", 1.0), "no conversion");
    EXPECT_EQ(FormatCrt("%d %G", 1.0), "%d 1");
    EXPECT_EQ(FormatCrt("%08f", std::numeric_limits<double>::infinity()), "     inf");
    EXPECT_EQ(FormatCrt(nullptr, 1.0), "");
    EXPECT_EQ(FormatCrt("%", 1.0), "%");
}

}  // namespace
}  // namespace kivelo
