#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "display/NumberFormat.h"

namespace kivelo {
namespace {

// Value texts of the cursor and scale readouts. Catches a wrong prefix letter,
// a point moved the wrong way, fixed/exponent switch-overs off by one decade
// (10 and 1000 are edges), a lost sign, a unit appended when it must not be.
TEST(FormatValue, Table) {
    const struct {
        double value;
        const char* unit;
        int digits;
        double resolution;
        bool appendUnit;
        const char* text;
    } cases[] = {
        // Volts: prefix letter and moved point; without unit an exponent of three
        // (one that is already a multiple of three stays as printed).
        {0.012345, "V", 4, 0, true, " 12.345mV"},
        {-0.012345, "V", 4, 0, true, "-12.345mV"},
        {1500.0, "V", 3, 0, true, " 1.500kV"},
        {2.0e-7, "V", 4, 0, true, " 200.00nV"},
        {0.012345, "V", 4, 0, false, " 12.345E-03"},
        {0.0012345, "V", 4, 0, false, " 1.2345E-003"},
        // Seconds: fixed from one second, prefix below.
        {2.5, "s", 4, 0, true, " 2.500000s"},
        {0.0025, "s", 4, 0, true, " 2.5000ms"},
        {-0.0025, "s", 4, 0, true, "-2.5000ms"},
        {12345.678, "s", 4, 0, true, " 12345.678s"},
        {2.5e7, "s", 4, 0, true, " 25000000s"},
        {2.5, "s", 4, 0, false, " 2.500000"},
        // Other units: fixed decimals by magnitude ("up to 10" includes 10), exponent outside.
        // clang-format off
        {50.0, "A", 3, 0, true, " 50.00A"},            {10.0, "A", 3, 0, true, " 10.000A"},
        {1000.0, "A", 3, 0, true, " 1000.0A"},         {1000.6, "A", 3, 0, true, " 1001A"},
        {5.0, "A", 4, 0, true, " 5.00000A"},           {123456.0, "A", 4, 0, true, " 123456A"},
        {-12.5, "A", 4, 0, true, "-12.5000A"},         {2.0e6, "Hz", 4, 0, true, " 2.0000E+06Hz"},
        {0.0005, "Hz", 4, 0, true, " 500.00uHz"},      {2.0e7, "", 4, 0, true, " 20.000E+06"},
        // clang-format on
        // "?" is never appended.
        {5.0, "?", 4, 0, true, " 5.00000"},
        {0.0005, "?", 4, 0, true, " 500.00u"},
        // Below the resolution: zero in the unit's notation; at it the value stays.
        {0.0004, "V", 4, 0.001, true, " 0.0000V"},
        {-0.0004, "s", 4, 0.001, true, " 0.0000s"},
        {0.0004, "A", 4, 0.001, true, " 0.0000A"},
        {0.0004, "", 4, 0.001, true, " 0.0000E+000"},
        {0.001, "V", 4, 0.001, true, " 1.0000mV"},
        // Exponents below pico collapse.
        {1.0e-14, "V", 4, 0, true, "   0.00V"},
        {1.0e-14, "s", 4, 0, true, "   0.00s"},
        {1.0e-14, "A", 4, 0, true, "   0.00A"},
    };
    for (const auto& c : cases) {
        std::string out;
        FormatValue(c.value, c.unit, c.digits, c.resolution, c.appendUnit, out);
        EXPECT_EQ(out, c.text) << c.value << " " << c.unit;
    }
    // Non-finite values give some text and no crash.
    std::string out;
    EXPECT_FALSE(FormatValue(std::numeric_limits<double>::infinity(), "V", 4, 0.0, true, out));
    EXPECT_FALSE(out.empty());
    FormatValue(std::numeric_limits<double>::quiet_NaN(), "s", 4, 0.0, true, out);
    EXPECT_FALSE(out.empty());
}

TEST(ToEngineering, Table) {
    const struct {
        const char* in;
        bool prefixMode, subUnitOnly, ok;
        const char* out;
    } cases[] = {
        {"1.2345E-004", true, false, true, "123.45u"},      // -4 = -6 + 2
        {"1.2345E-002", false, false, true, "12.345E-03"},  // -2 = -3 + 1
        {"1.2345E+004", true, true, true, "12.345E+03"},    // sub-unit only keeps positive exponents
        {"1.2345E+004", true, false, true, "12.345k"},
        {" 12.5", true, false, false, " 12.5"},  // no exponent: text kept
        {"11111111111111111111E+003", true, false, false, "11111111111111111111E+003"},
    };
    for (const auto& c : cases) {
        std::string t = c.in;
        EXPECT_EQ(ToEngineering(t, c.prefixMode, c.subUnitOnly), c.ok) << c.in;
        EXPECT_EQ(t, c.out) << c.in;
    }
}

TEST(FormatBits, GroupsOfEightAndClampedCounts) {
    const struct {
        uint16_t sample;
        int bits;
        const char* text;
    } cases[] = {{0x8001, 16, "10000000 00000001 "}, {0xA500, 8, "10100101 "}, {0xFFFF, 4, "1111"}, {0xFFFF, 0, ""},
                 {0x0001, 40, "00000000 00000001 "}, {0x0001, -3, ""}};
    for (const auto& c : cases) EXPECT_EQ(FormatBits(c.sample, c.bits), c.text) << c.sample << " " << c.bits;
}

}  // namespace
}  // namespace kivelo
