#pragma once
// The one scanner of decimal numbers in untrusted text (headers, instrument
// answers, typed values). Independent of the C locale: the point is always '.'.
#include <cstdint>
#include <optional>
#include <string_view>

namespace kivelo {

// What a real too large for a double becomes; each caller states its choice.
enum class RealOverflow {
    kNoNumber,       // the text holds no number
    kLargestFinite,  // +-DBL_MAX
    kInfinity,       // +-infinity
    kZero,           // 0
};

// The real number at the start of text, blanks not skipped: the longest prefix
// [+-] digits [. digits] [(e|E) [+-] digits] with at least one mantissa digit;
// an incomplete exponent ("1e", "1e+") is left out. Words such as "inf" or
// "nan" and hexadecimal forms are no number. A value too small for a double
// reads as 0; a value too large as overflow says. Nothing when there is no
// number.
std::optional<double> ScanLeadingReal(std::string_view text, RealOverflow overflow);

// The optionally signed decimal integer at the start of text, blanks not
// skipped: 0 when there are no digits; beyond the 32-bit range it saturates.
int32_t ScanLeadingInt32(std::string_view text);

// text without its leading white space (space, tab, CR, LF, VT, FF).
std::string_view SkipLeadingBlanks(std::string_view text);

}  // namespace kivelo
