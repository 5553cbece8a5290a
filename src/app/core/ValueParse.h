#pragma once
// Numbers typed by the user into the value dialogs.
#include <optional>
#include <string_view>

namespace kivelo::app {

// The decimal floating-point number at the start of text: leading white space
// is skipped, then the longest prefix of the form [+-] digits [. digits]
// [(e|E) [+-] digits] (at least one mantissa digit) is read and anything after
// it ignored: "1.5e3" -> 1500, " 2" -> 2, "10V" -> 10, "1e" -> 1.
// Nothing when the text holds no such prefix ("", "abc", "-", "."). The texts
// "nan" and "inf" are no number, and neither is a value too large for a double
// (a value too small to represent reads as 0). Independent of the C locale:
// the decimal point is always '.'.
std::optional<double> ParseLeadingNumber(std::string_view text);

}  // namespace kivelo::app
