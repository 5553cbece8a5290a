#pragma once
// Conversions of instrument answers. Answers come from a device and are
// untrusted: every conversion takes any text and gives a bounded value.
#include <string>
#include <string_view>

namespace kivelo {

// The leading optionally signed decimal integer (leading blanks skipped);
// 0 when there is none. Values beyond the 32-bit range saturate.
int ParseWhole(std::string_view text);

// The leading decimal real number with optional fraction and exponent
// (leading blanks skipped); 0.0 when there is none. Words such as "inf" or
// "nan" and hexadecimal forms are not numbers here; values beyond the double
// range saturate to the largest finite value.
double ParseReal(std::string_view text);

// A text answer without its quotes: an opening '"' and a closing '"' are
// dropped when present.
std::string Unquote(std::string_view text);

// 1 / value, or 0.0 when that has no finite answer (value 0).
double Reciprocal(double value);
// numerator / denominator, or 0.0 when that has no finite answer.
double Quotient(double numerator, double denominator);

// Command text with one integer argument, e.g. "WAV:TRAC %d".
std::string WithNumber(std::string_view prefix, long long number, std::string_view suffix = {});

}  // namespace kivelo
