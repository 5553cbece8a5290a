#pragma once
// Engineering-unit texts of physical values (label bands, cursor readouts, times)
// and the bit string of a logic sample.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kivelo {

// Writes value in the notation of its unit: "V" with an engineering prefix letter,
// "s" with fixed decimals from one second up and a sub-unit prefix below, other
// units with fixed decimals chosen by magnitude. digits is 3 (band limits) or 4
// (times and cursor values; any value other than 3 counts as 4). A value whose
// magnitude is below resolution is written as zero. appendUnit adds the unit text
// after the number (never for the unit "?"). Returns false only when the notation
// could not be rewritten (out then holds the plain printed number).
bool FormatValue(double value, const std::string& unit, int digits, double resolution, bool appendUnit,
                 std::string& out);

// Rewrites a number printed in E notation ("1.2345E-002") so that its exponent is a
// multiple of three, moving the mantissa's point to keep the value. prefixMode
// replaces the exponent by a prefix letter (p n u m k M G T); subUnitOnly limits the
// letters to p..m and keeps positive exponents as "E+03". Exponents below -12 give
// "   0.00". Returns false (text unchanged) when no E is found in the first 20
// characters.
bool ToEngineering(std::string& text, bool prefixMode, bool subUnitOnly);

// The upper bitCount bits of sample, most significant first, a blank after every
// eighth bit ("10000000 00000001 "). bitCount is clamped to 0..16.
std::string FormatBits(uint16_t sample, int bitCount);

}  // namespace kivelo

namespace kivelo {

// A number as the readouts write it, read back: a decimal number, then
// optionally blanks and one prefix letter (p n u m k M G T, "µ" too) that
// scales it; any unit text after that is ignored ("468.04ms" -> 0.46804,
// "2s" -> 2, "-1.5 uV" -> -1.5e-6). Nothing without a number in front.
std::optional<double> ParseEngineering(std::string_view text);

}  // namespace kivelo
