#include "app/core/ValueParse.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace kivelo::app {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<double> ParseLeadingNumber(std::string_view text) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && IsBlank(text[i])) ++i;

    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const size_t mantissaStart = i;  // from_chars takes no sign of its own but '-'

    // Mantissa: digits, optional point, digits; the position of the first
    // significant digit relative to the point gives the order of magnitude,
    // which tells an underflow from an overflow below.
    size_t digits = 0;
    long long magnitude = 0;  // decimal exponent of the first non-zero digit, + 1
    bool seenNonZero = false;
    while (i < n && IsDigit(text[i])) {
        if (text[i] != '0') seenNonZero = true;
        if (seenNonZero) ++magnitude;
        ++digits;
        ++i;
    }
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && IsDigit(text[i])) {
            if (!seenNonZero) {
                if (text[i] != '0') seenNonZero = true;
                else --magnitude;
            }
            ++digits;
            ++i;
        }
    }
    if (digits == 0) return std::nullopt;
    size_t end = i;

    // Exponent, only when complete: "1e" and "1e+" read as 1.
    long long exponent = 0;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        bool expNegative = false;
        if (j < n && (text[j] == '+' || text[j] == '-')) {
            expNegative = text[j] == '-';
            ++j;
        }
        if (j < n && IsDigit(text[j])) {
            while (j < n && IsDigit(text[j])) {
                if (exponent < 1'000'000'000) exponent = exponent * 10 + (text[j] - '0');
                ++j;
            }
            if (expNegative) exponent = -exponent;
            end = j;
        }
    }

    double value = 0.0;
    const char* first = text.data() + mantissaStart;
    const char* last = text.data() + end;
    const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // Too small for a double reads as zero; too large is no number.
        if (!seenNonZero || magnitude + exponent <= 0) value = 0.0;
        else return std::nullopt;
    } else if (ec != std::errc() || ptr != last) {
        return std::nullopt;
    }
    if (!std::isfinite(value)) return std::nullopt;
    return negative ? -value : value;
}

}  // namespace kivelo::app
