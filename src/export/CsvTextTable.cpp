#include "export/CsvTextTable.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace kivelo {

namespace {

// Drops trailing zeros of the fraction digits [from, end); returns the new end.
char* TrimZeros(char* from, char* end) {
    while (end > from && end[-1] == '0') --end;
    return end;
}

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// a times 10^k with one rounding (the powers up to 10^22 are exact doubles).
double Scaled(double a, int k) { return k >= 0 ? a * kPow10[k] : a / kPow10[-k]; }

// The 7 significant digits of a (> 0) and its decimal exponent, rounded to
// nearest as to_chars rounds. One product carries an error below 2e-9 of a
// digit, so it decides the rounding unless it lies that close to a tie; false
// then (and out of the range where the powers are exact).
bool QuickDigits(double a, uint32_t& digits, int& e) {
    if (!(a >= 1e-15 && a < 1e15)) return false;
    // floor(log2(a) x log10(2)): the exponent or one less.
    e = (std::ilogb(a) * 78913) >> 18;
    double m = Scaled(a, 6 - e);
    if (m < 1e6) m = Scaled(a, 6 - --e);
    else if (m >= 1e7) m = Scaled(a, 6 - ++e);
    const double whole = std::floor(m);
    if (std::fabs(m - whole - 0.5) < 1e-8) return false;
    digits = static_cast<uint32_t>(m - whole < 0.5 ? whole : whole + 1);
    if (digits == 10000000) {
        digits = 1000000;
        ++e;
    }
    return true;
}

// The same from to_chars: "d.dddddde+XX".
void ExactDigits(double a, uint32_t& digits, int& e) {
    char sci[32];
    const char* end = std::to_chars(sci, sci + sizeof sci, a, std::chars_format::scientific, 6).ptr;
    digits = 0;
    for (const int i : {0, 2, 3, 4, 5, 6, 7}) digits = digits * 10 + static_cast<uint32_t>(sci[i] - '0');
    e = 0;
    for (const char* d = sci + 10; d < end; ++d) e = e * 10 + (*d - '0');
    if (sci[9] == '-') e = -e;
}

}  // namespace

CsvTextTable::CsvTextTable(double vResolution, double vOffset, bool isUnsigned, int width)
    : width_(width == 1 ? 1 : 2), slots_((std::size_t{1} << (8 * width_)) * kSlot) {
    values_.Set(vResolution, vOffset, isUnsigned);
    lengths_ = std::make_unique<uint8_t[]>(std::size_t{1} << (8 * width_));
}

std::size_t CsvTextTable::Fill(uint16_t i, char* out) const {
    // The value exactly as ReadText computes it.
    const double v = width_ == 1 ? values_.Value1(static_cast<int8_t>(static_cast<uint8_t>(i)))
                                 : values_.Value2(static_cast<int16_t>(i));
    const std::size_t n = Format(v, out);
    out[n] = ',';
    return n + 1;
}

const char* CsvTextTable::Make(uint16_t i, char* spare, std::size_t& length) {
    std::atomic_ref<uint8_t> state(lengths_[i]);
    uint8_t seen = 0;
    char* slot = slots_.Data() + std::size_t{i} * kSlot;
    if (state.compare_exchange_strong(seen, kMaking, std::memory_order_acquire)) {
        length = Fill(i, slot);
        state.store(static_cast<uint8_t>(length), std::memory_order_release);
        return slot;
    }
    if (seen != kMaking) {
        length = seen;
        return slot;
    }
    length = Fill(i, spare);
    return spare;
}

std::size_t CsvTextTable::Format(double v, char* out) {
    if (std::isnan(v)) {
        std::memcpy(out, "nan", 3);
        return 3;
    }
    char* p = out;
    if (std::signbit(v)) *p++ = '-';
    if (std::isinf(v)) {
        std::memcpy(p, "inf", 3);
        return static_cast<std::size_t>(p + 3 - out);
    }
    // Rounded once to 7 significant digits; the fixed form has the same digits,
    // as both round at the same decimal place.
    const double a = std::fabs(v);
    uint32_t value = 0;
    int e = 0;
    if (!QuickDigits(a, value, e)) ExactDigits(a, value, e);
    char digits[7];
    for (int i = 6; i >= 0; --i, value /= 10) digits[i] = static_cast<char>('0' + value % 10);
    if (e < -1 || e > 6) {
        *p++ = digits[0];
        *p++ = '.';
        std::memcpy(p, digits + 1, 6);
        p = TrimZeros(p, p + 6);
        *p++ = 'e';
        *p++ = e < 0 ? '-' : '+';
        // At least three exponent digits.
        char exponent[8];
        const char* expEnd = std::to_chars(exponent, exponent + sizeof exponent, std::abs(e)).ptr;
        const auto expDigits = static_cast<std::size_t>(expEnd - exponent);
        for (std::size_t k = expDigits; k < 3; ++k) *p++ = '0';
        std::memcpy(p, exponent, expDigits);
        return static_cast<std::size_t>(p + expDigits - out);
    }
    if (e == 6) {  // no fraction digit and no point
        std::memcpy(p, digits, 7);
        return static_cast<std::size_t>(p + 7 - out);
    }
    if (e < 0) {
        std::memcpy(p, "0.", 2);
        std::memcpy(p + 2, digits, 7);
        return static_cast<std::size_t>(TrimZeros(p + 2, p + 9) - out);
    }
    const auto whole = static_cast<std::size_t>(e + 1);
    std::memcpy(p, digits, whole);
    p[whole] = '.';
    std::memcpy(p + whole + 1, digits + whole, 7 - whole);
    return static_cast<std::size_t>(TrimZeros(p + whole + 1, p + 8) - out);
}

}  // namespace kivelo
