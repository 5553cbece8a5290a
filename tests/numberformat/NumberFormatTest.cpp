#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "NumberFormat.h"

namespace kivelo {
namespace {

std::string Format(double value, const std::string& unit, int digits, double resolution = 0.0,
                   bool appendUnit = true) {
    std::string out;
    FormatValue(value, unit, digits, resolution, appendUnit, out);
    return out;
}

TEST(FormatValueVolts, PrefixLetterAndMovedPoint) {
    EXPECT_EQ(Format(0.012345, "V", 4), " 12.345mV");
    EXPECT_EQ(Format(-0.012345, "V", 4), "-12.345mV");
    EXPECT_EQ(Format(1500.0, "V", 3), " 1.500kV");
    EXPECT_EQ(Format(2.0e-7, "V", 4), " 200.00nV");
}

TEST(FormatValueVolts, WithoutUnitKeepsAnExponentOfThree) {
    // No unit asked: no prefix letter, the exponent becomes a multiple of three.
    EXPECT_EQ(Format(0.012345, "V", 4, 0.0, false), " 12.345E-03");
    // Already a multiple of three: the printed text stays as it is.
    EXPECT_EQ(Format(0.0012345, "V", 4, 0.0, false), " 1.2345E-003");
}

TEST(FormatValueSeconds, FixedFromOneSecondPrefixBelow) {
    EXPECT_EQ(Format(2.5, "s", 4), " 2.500000s");
    EXPECT_EQ(Format(0.0025, "s", 4), " 2.5000ms");
    EXPECT_EQ(Format(-0.0025, "s", 4), "-2.5000ms");
    EXPECT_EQ(Format(12345.678, "s", 4), " 12345.678s");
    EXPECT_EQ(Format(2.5e7, "s", 4), " 25000000s");
    EXPECT_EQ(Format(2.5, "s", 4, 0.0, false), " 2.500000");
}

TEST(FormatValueOther, FixedDecimalsByMagnitude) {
    EXPECT_EQ(Format(50.0, "A", 3), " 50.00A");
    EXPECT_EQ(Format(10.0, "A", 3), " 10.000A");  // "up to 10" includes 10
    EXPECT_EQ(Format(1000.0, "A", 3), " 1000.0A");
    EXPECT_EQ(Format(1000.6, "A", 3), " 1001A");
    EXPECT_EQ(Format(5.0, "A", 4), " 5.00000A");
    EXPECT_EQ(Format(123456.0, "A", 4), " 123456A");
    EXPECT_EQ(Format(-12.5, "A", 4), "-12.5000A");
}

TEST(FormatValueOther, ExponentFormOutsideTheFixedRange) {
    EXPECT_EQ(Format(2.0e6, "Hz", 4), " 2.0000E+06Hz");
    EXPECT_EQ(Format(0.0005, "Hz", 4), " 500.00uHz");
    // No unit text: no prefix, exponent of three.
    EXPECT_EQ(Format(2.0e7, "", 4), " 20.000E+06");
}

TEST(FormatValueOther, QuestionMarkUnitIsNeverAppended) {
    EXPECT_EQ(Format(5.0, "?", 4), " 5.00000");
    EXPECT_EQ(Format(0.0005, "?", 4), " 500.00u");
}

TEST(FormatValue, BelowResolutionIsZeroInTheUnitsNotation) {
    EXPECT_EQ(Format(0.0004, "V", 4, 0.001), " 0.0000V");
    EXPECT_EQ(Format(-0.0004, "s", 4, 0.001), " 0.0000s");
    EXPECT_EQ(Format(0.0004, "A", 4, 0.001), " 0.0000A");
    EXPECT_EQ(Format(0.0004, "", 4, 0.001), " 0.0000E+000");
    // At the resolution itself the value is kept.
    EXPECT_EQ(Format(0.001, "V", 4, 0.001), " 1.0000mV");
}

TEST(FormatValue, ExponentsBelowPicoCollapse) {
    EXPECT_EQ(Format(1.0e-14, "V", 4), "   0.00V");
    EXPECT_EQ(Format(1.0e-14, "s", 4), "   0.00s");
    EXPECT_EQ(Format(1.0e-14, "A", 4), "   0.00A");
}

TEST(FormatValue, NonFiniteValuesDoNotBreak) {
    std::string out;
    EXPECT_FALSE(FormatValue(std::numeric_limits<double>::infinity(), "V", 4, 0.0, true, out));
    EXPECT_FALSE(out.empty());
    FormatValue(std::numeric_limits<double>::quiet_NaN(), "s", 4, 0.0, true, out);
    EXPECT_FALSE(out.empty());
}

TEST(ToEngineering, NegativeExponentRemainders) {
    std::string t = "1.2345E-004";  // -4 = -6 + 2
    ASSERT_TRUE(ToEngineering(t, true, false));
    EXPECT_EQ(t, "123.45u");
    t = "1.2345E-002";  // -2 = -3 + 1
    ASSERT_TRUE(ToEngineering(t, false, false));
    EXPECT_EQ(t, "12.345E-03");
}

TEST(ToEngineering, SubUnitOnlyKeepsPositiveExponents) {
    std::string t = "1.2345E+004";
    ASSERT_TRUE(ToEngineering(t, true, true));
    EXPECT_EQ(t, "12.345E+03");
    t = "1.2345E+004";
    ASSERT_TRUE(ToEngineering(t, true, false));
    EXPECT_EQ(t, "12.345k");
}

TEST(ToEngineering, WithoutExponentFailsAndKeepsText) {
    std::string t = " 12.5";
    EXPECT_FALSE(ToEngineering(t, true, false));
    EXPECT_EQ(t, " 12.5");
    // The letter must stand within the first 20 characters.
    t = std::string(20, '1') + "E+003";
    EXPECT_FALSE(ToEngineering(t, true, false));
}

TEST(FormatBits, GroupsOfEight) {
    EXPECT_EQ(FormatBits(0x8001, 16), "10000000 00000001 ");
    EXPECT_EQ(FormatBits(0xA500, 8), "10100101 ");
    EXPECT_EQ(FormatBits(0xFFFF, 4), "1111");
    EXPECT_EQ(FormatBits(0xFFFF, 0), "");
    EXPECT_EQ(FormatBits(0x0001, 40), "00000000 00000001 ");
    EXPECT_EQ(FormatBits(0x0001, -3), "");
}

}  // namespace
}  // namespace kivelo
