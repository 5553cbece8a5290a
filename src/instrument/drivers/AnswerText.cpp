#include "instrument/drivers/AnswerText.h"

#include <cmath>

#include "common/NumberScan.h"

namespace kivelo {

int ParseWhole(std::string_view text) { return ScanLeadingInt32(SkipLeadingBlanks(text)); }

double ParseReal(std::string_view text) {
    return ScanLeadingReal(SkipLeadingBlanks(text), RealOverflow::kLargestFinite).value_or(0.0);
}

std::string Unquote(std::string_view text) {
    if (!text.empty() && text.front() == '"') text.remove_prefix(1);
    if (!text.empty() && text.back() == '"') text.remove_suffix(1);
    return std::string(text);
}

double Reciprocal(double value) { return Quotient(1.0, value); }

double Quotient(double numerator, double denominator) {
    if (denominator == 0.0) return 0.0;
    const double q = numerator / denominator;
    return std::isfinite(q) ? q : 0.0;
}

std::string WithNumber(std::string_view prefix, long long number, std::string_view suffix) {
    std::string text(prefix);
    text += std::to_string(number);
    text += suffix;
    return text;
}

}  // namespace kivelo
