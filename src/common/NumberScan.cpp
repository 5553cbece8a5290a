#include "common/NumberScan.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace kivelo {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

std::string_view SkipLeadingBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    return text.substr(i);
}

std::optional<double> ScanLeadingReal(std::string_view text, RealOverflow overflow) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::size_t mantissaStart = i;  // from_chars takes no '+' sign

    // The decimal exponent of the first significant digit tells an underflow
    // from an overflow when from_chars reports the value out of range.
    std::size_t digits = 0;
    long long magnitude = 0;
    bool seenNonZero = false;
    for (; i < n && IsDigit(text[i]); ++i, ++digits) {
        if (text[i] != '0') seenNonZero = true;
        if (seenNonZero) ++magnitude;
    }
    if (i < n && text[i] == '.') {
        for (++i; i < n && IsDigit(text[i]); ++i, ++digits) {
            if (seenNonZero) continue;
            if (text[i] != '0') seenNonZero = true;
            else --magnitude;
        }
    }
    if (digits == 0) return std::nullopt;
    std::size_t end = i;

    long long exponent = 0;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        bool expNegative = false;
        if (j < n && (text[j] == '+' || text[j] == '-')) expNegative = text[j++] == '-';
        if (j < n && IsDigit(text[j])) {
            for (; j < n && IsDigit(text[j]); ++j)
                if (exponent < 1'000'000'000) exponent = exponent * 10 + (text[j] - '0');
            if (expNegative) exponent = -exponent;
            end = j;
        }
    }

    double value = 0.0;
    const char* first = text.data() + mantissaStart;
    const auto [ptr, ec] = std::from_chars(first, text.data() + end, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        if (!seenNonZero || magnitude + exponent <= 0) {
            value = 0.0;
        } else {
            switch (overflow) {
            case RealOverflow::kNoNumber: return std::nullopt;
            case RealOverflow::kLargestFinite: value = std::numeric_limits<double>::max(); break;
            case RealOverflow::kInfinity: value = std::numeric_limits<double>::infinity(); break;
            case RealOverflow::kZero: value = 0.0; break;
            }
        }
    } else if (ec != std::errc() || ptr != text.data() + end) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

int32_t ScanLeadingInt32(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t magnitude = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i)
        if (magnitude <= kLimit) magnitude = magnitude * 10 + (text[i] - '0');
    if (negative) return magnitude >= kLimit ? std::numeric_limits<int32_t>::min() : static_cast<int32_t>(-magnitude);
    return magnitude >= kLimit ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(magnitude);
}

}  // namespace kivelo
