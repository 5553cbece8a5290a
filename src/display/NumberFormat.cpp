#include "display/NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale>
#include <sstream>
#include <utility>

#include "wavefile/NumberText.h"

namespace kivelo {

namespace {

// Exponents are read with a bound so that absurd texts cannot overflow.
constexpr int kExponentLimit = 9999;

// The printed number up to the first blank after its first character (the
// sign position may be a blank).
std::string CutAtBlank(std::string text) {
    std::size_t blank = text.find(' ', 1);
    if (blank != std::string::npos) text.resize(blank);
    return text;
}

// Prefix letter of an exponent that is a multiple of 3 in -12 .. 12.
const char* PrefixOf(int e3) {
    static constexpr const char* kLetters[] = {"p", "n", "u", "m", "", "k", "M", "G", "T"};
    return kLetters[(e3 + 12) / 3];
}

int ParseExponent(const std::string& text, std::size_t pos) {
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    int e = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos)
        e = std::min(e * 10 + (text[pos] - '0'), kExponentLimit);
    return negative ? -e : e;
}

// Moves the decimal point of the mantissa r digits to the right.
void ShiftPoint(std::string& mantissa, int r) {
    std::size_t point = mantissa.find('.');
    if (point == std::string::npos) return;
    for (int i = 0; i < r; ++i) {
        if (point + 1 >= mantissa.size() || mantissa[point + 1] < '0' || mantissa[point + 1] > '9') break;
        std::swap(mantissa[point], mantissa[point + 1]);
        ++point;
    }
}

// Fixed format of seconds from 1 s up, by magnitude.
const char* SecondsFormat(double a) {
    if (a >= 1e7) return "%- 10.0f";
    if (a >= 1e6) return "%- 10.1f";
    if (a >= 1e5) return "%- 10.2f";
    if (a >= 1e4) return "%- 10.3f";
    if (a >= 1000) return "%- 10.4f";
    if (a >= 100) return "%- 10.5f";
    return "%- 12.6f";
}

// Fixed format of other units between 0.001 and 1e6, by magnitude and digits.
const char* PlainFormat(double a, bool fourDigits) {
    if (!fourDigits) {
        if (a > 1000) return "%- 12.0f";
        if (a > 100) return "%- 12.1f";
        if (a > 10) return "%- 12.2f";
        return "%- 12.3f";
    }
    if (a > 1e5) return "%- 12.0f";
    if (a > 1e4) return "%- 12.1f";
    if (a > 1000) return "%- 12.2f";
    if (a > 100) return "%- 12.3f";
    if (a > 10) return "%- 12.4f";
    return "%- 12.5f";
}

}  // namespace

bool ToEngineering(std::string& text, bool prefixMode, bool subUnitOnly) {
    std::size_t limit = std::min<std::size_t>(text.size(), 20);
    std::size_t pos = text.find_first_of("Ee");
    if (pos == std::string::npos || pos >= limit) return false;

    int e = ParseExponent(text, pos + 1);
    int r = ((e % 3) + 3) % 3;
    int e3 = e - r;
    if (r == 0 && !prefixMode) return true;
    if (e3 < -12) {
        text = "   0.00";
        return true;
    }

    std::string mantissa = text.substr(0, pos);
    std::string tail;
    int highestPrefix = subUnitOnly ? 0 : 12;
    if (prefixMode && e3 <= highestPrefix) {
        tail = PrefixOf(e3);
    } else {
        char exponent[16];
        std::snprintf(exponent, sizeof exponent, "%+03d", e3);
        tail = std::string(1, text[pos]) + exponent;
    }
    ShiftPoint(mantissa, r);
    text = mantissa + tail;
    return true;
}

bool FormatValue(double value, const std::string& unit, int digits, double resolution, bool appendUnit,
                 std::string& out) {
    double v = std::fabs(value) < resolution ? 0.0 : value;
    double a = std::fabs(v);
    bool fourDigits = digits != 3;
    bool ok = true;

    if (unit == "V") {
        out = FormatCrt(fourDigits ? "% 11.4E" : "% 11.3E", v);
        ok = ToEngineering(out, appendUnit, false);
        if (appendUnit) out += unit;
        return ok;
    }
    if (unit == "s") {
        if (a < 1.0) {
            out = CutAtBlank(FormatCrt("%- 20.4E", v));
            ok = ToEngineering(out, true, true);
        } else {
            out = CutAtBlank(FormatCrt(SecondsFormat(a), v));
        }
        if (appendUnit) out += unit;
        return ok;
    }
    if (a < 0.001 || a > 1e6) {
        out = CutAtBlank(FormatCrt("%- 15.4E", v));
        ok = ToEngineering(out, !unit.empty(), true);
    } else {
        out = CutAtBlank(FormatCrt(PlainFormat(a, fourDigits), v));
    }
    if (appendUnit && unit != "?") out += unit;
    return ok;
}

std::string FormatBits(uint16_t sample, int bitCount) {
    int n = std::clamp(bitCount, 0, 16);
    std::string out;
    out.reserve(static_cast<std::size_t>(n + n / 8));
    for (int k = 0; k < n; ++k) {
        out += (sample & (0x8000u >> k)) ? '1' : '0';
        if ((k + 1) % 8 == 0) out += ' ';
    }
    return out;
}

}  // namespace kivelo

namespace kivelo {

std::optional<double> ParseEngineering(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    const size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && text[j] >= '0' && text[j] <= '9') {
            while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
            i = j;
        }
    }
    std::istringstream in{std::string(text.substr(start, i - start))};
    in.imbue(std::locale::classic());
    double value = 0.0;
    if (!(in >> value) || !std::isfinite(value)) return std::nullopt;
    while (i < text.size() && text[i] == ' ') ++i;
    const std::string_view rest = text.substr(i);
    static constexpr std::pair<std::string_view, double> kPrefixes[] = {{"p", 1e-12},       {"n", 1e-9}, {"u", 1e-6},
                                                                        {"\xC2\xB5", 1e-6}, {"m", 1e-3}, {"k", 1e3},
                                                                        {"M", 1e6},         {"G", 1e9},  {"T", 1e12}};
    for (const auto& [prefix, scale] : kPrefixes) {
        if (rest.substr(0, prefix.size()) == prefix) return value * scale;
    }
    return value;
}

}  // namespace kivelo
