#pragma once
// Text pieces of a header line: the 20-column key field and the 16-column
// value columns.
#include <string>
#include <string_view>

namespace kivelo::HeaderLines {

inline constexpr std::size_t kKeyWidth = 20;
inline constexpr std::size_t kColumnWidth = 16;
inline constexpr std::string_view kLineEnd = "\r\n";

// The key filled with spaces to 20 characters (a longer key is kept whole).
std::string KeyField(std::string_view key);

// A value as one header token: surrounding blanks removed, and inner blanks
// or control characters (which would split the value or the line for a
// reader) replaced by '_'. Empty stays empty.
std::string Token(std::string_view value);

// A value in its column: cut to 16 characters, filled with spaces to 16.
std::string Column(std::string_view value);

// "%-16d" and "%-16.7E" (three exponent digits).
std::string IntegerColumn(long long value);
std::string RealColumn(double value);

}  // namespace kivelo::HeaderLines
