#include "wavefile/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace kivelo {

namespace {

// Precision large enough for any use, small enough for a fixed buffer.
constexpr int kMaxPrecision = 60;

// |a| by to_chars (no locale): %.{prec}e or %.{prec}f of a finite, non-negative value.
std::string Digits(double a, std::chars_format form, int prec) {
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, a, form, prec);
    if (res.ec != std::errc()) return "0";
    return std::string(buf, res.ptr);
}

// Decimal exponent of a text written by to_chars in scientific form.
int ExponentOf(const std::string& sci) {
    std::size_t e = sci.find('e');
    return e == std::string::npos ? 0 : std::atoi(sci.c_str() + e + 1);
}

// "1.5e-05" -> "1.5e-005": at least three exponent digits, letter case as asked.
void WidenExponent(std::string& s, bool upper) {
    std::size_t e = s.find('e');
    if (e == std::string::npos) return;
    if (upper) s[e] = 'E';
    std::size_t digits = e + 2;  // after the sign
    std::size_t count = s.size() - digits;
    if (count < 3) s.insert(digits, 3 - count, '0');
}

// Drops trailing fraction zeros of the mantissa (the part before any exponent);
// the point goes too unless keepPoint.
void StripFractionZeros(std::string& s, bool keepPoint) {
    std::size_t e = s.find('e');
    std::string tail = e == std::string::npos ? std::string() : s.substr(e);
    std::string mant = s.substr(0, e);
    if (mant.find('.') != std::string::npos) {
        while (!mant.empty() && mant.back() == '0') mant.pop_back();
        if (!keepPoint && !mant.empty() && mant.back() == '.') mant.pop_back();
    }
    s = mant + tail;
}

void EnsurePoint(std::string& s) {
    if (s.find('.') != std::string::npos) return;
    std::size_t e = s.find('e');
    s.insert(e == std::string::npos ? s.size() : e, 1, '.');
}

struct Conversion {
    bool left = false, plus = false, space = false, alt = false, zero = false;
    int width = 0;
    int precision = -1;
    char conv = 0;
};

// The body of one conversion of |v| (no sign, no padding).
std::string ConvertMagnitude(double a, const Conversion& c) {
    char lower = static_cast<char>(c.conv | 0x20);
    bool upper = c.conv != lower;
    if (std::isnan(a)) return upper ? "NAN" : "nan";
    if (std::isinf(a)) return upper ? "INF" : "inf";
    int prec = c.precision < 0 ? 6 : std::min(c.precision, kMaxPrecision);
    std::string s;
    if (lower == 'f') {
        s = Digits(a, std::chars_format::fixed, prec);
        if (c.alt) EnsurePoint(s);
    } else if (lower == 'e') {
        s = Digits(a, std::chars_format::scientific, prec);
        if (c.alt) EnsurePoint(s);
        WidenExponent(s, upper);
    } else {  // g
        int p = prec == 0 ? 1 : prec;
        s = Digits(a, std::chars_format::scientific, p - 1);
        int x = ExponentOf(s);
        if (x < p && x >= -4) s = Digits(a, std::chars_format::fixed, p - 1 - x);
        if (c.alt) EnsurePoint(s);
        else StripFractionZeros(s, false);
        WidenExponent(s, upper);
    }
    return s;
}

std::string ApplySignAndWidth(std::string body, bool negative, const Conversion& c, bool finite) {
    std::string sign = negative ? "-" : c.plus ? "+" : c.space ? " " : "";
    std::size_t len = sign.size() + body.size();
    std::size_t width = c.width > 0 ? static_cast<std::size_t>(c.width) : 0;
    if (len >= width) return sign + body;
    std::size_t pad = width - len;
    if (c.left) return sign + body + std::string(pad, ' ');
    if (c.zero && finite) return sign + std::string(pad, '0') + body;
    return std::string(pad, ' ') + sign + body;
}

}  // namespace

void FormatValueText(double v, ValueText& out) {
    std::string s = ValueTextOf(v);
    std::size_t n = std::min(s.size(), out.size() - 1);
    std::memcpy(out.data(), s.data(), n);
    out[n] = '\0';
}

std::string ValueTextOf(double v) {
    if (std::isnan(v)) return "nan";
    if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
    double a = std::fabs(v);
    std::string s = Digits(a, std::chars_format::scientific, 6);
    int e = ExponentOf(s);
    if (e < -1 || e > 6) {
        StripFractionZeros(s, true);
        WidenExponent(s, false);
    } else {
        s = Digits(a, std::chars_format::fixed, 6 - e);
        StripFractionZeros(s, true);
    }
    // The sign as formatted output writes it: negative zero keeps its minus.
    return std::signbit(v) ? "-" + s : s;
}

std::string FormatCrt(const char* fmt, double v) {
    if (fmt == nullptr) return {};
    std::string out;
    const char* p = fmt;
    bool done = false;
    while (*p) {
        if (*p != '%') {
            out += *p++;
            continue;
        }
        if (p[1] == '%') {
            out += '%';
            p += 2;
            continue;
        }
        // Parse "%[flags][width][.precision][l|L]conv".
        const char* start = p++;
        Conversion c;
        for (;; ++p) {
            if (*p == '-') c.left = true;
            else if (*p == '+') c.plus = true;
            else if (*p == ' ') c.space = true;
            else if (*p == '#') c.alt = true;
            else if (*p == '0') c.zero = true;
            else break;
        }
        while (*p >= '0' && *p <= '9' && c.width < 10000) c.width = c.width * 10 + (*p++ - '0');
        if (*p == '.') {
            ++p;
            c.precision = 0;
            while (*p >= '0' && *p <= '9' && c.precision < 10000) c.precision = c.precision * 10 + (*p++ - '0');
        }
        while (*p == 'l' || *p == 'L') ++p;
        if (done || std::strchr("eEfFgG", *p) == nullptr || *p == '\0') {
            // Not the one floating conversion: keep the text as written.
            out.append(start, *p ? p + 1 : p);
            if (*p) ++p;
            continue;
        }
        c.conv = *p++;
        bool finite = std::isfinite(v);
        std::string body = ConvertMagnitude(std::fabs(v), c);
        out += ApplySignAndWidth(body, std::signbit(v) && !std::isnan(v), c, finite);
        done = true;
    }
    return out;
}

}  // namespace kivelo
