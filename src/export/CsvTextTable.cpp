#include "export/CsvTextTable.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace kivelo {

namespace {

// Drops trailing zeros of the fraction digits [from, end); returns the new end.
char* TrimZeros(char* from, char* end) {
    while (end > from && end[-1] == '0') --end;
    return end;
}

}  // namespace

CsvTextTable::CsvTextTable(double vResolution, double vOffset, bool isUnsigned, int width)
    : width_(width == 1 ? 1 : 2) {
    values_.Set(vResolution, vOffset, isUnsigned);
    const std::size_t n = std::size_t{1} << (8 * width_);
    // Untouched slots cost no memory: the pages are only mapped when first written.
    slots_ = std::make_unique_for_overwrite<char[]>(n * kSlot);
    lengths_ = std::make_unique<uint8_t[]>(n);
}

uint8_t CsvTextTable::Make(uint16_t i) {
    // The value exactly as ReadText computes it.
    const double v = width_ == 1 ? values_.Value1(static_cast<int8_t>(static_cast<uint8_t>(i)))
                                 : values_.Value2(static_cast<int16_t>(i));
    char* slot = slots_.get() + std::size_t{i} * kSlot;
    const std::size_t n = Format(v, slot);
    slot[n] = ',';
    lengths_[i] = static_cast<uint8_t>(n + 1);
    return lengths_[i];
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
    // Rounded once to 7 significant digits: "d.dddddde+XX". The fixed form has the
    // same digits, as both round at the same decimal place.
    char sci[32];
    const char* end = std::to_chars(sci, sci + sizeof sci, std::fabs(v), std::chars_format::scientific, 6).ptr;
    const char* digitsEnd = sci + 8;  // "d.dddddd"
    int e = 0;
    for (const char* d = digitsEnd + 2; d < end; ++d) e = e * 10 + (*d - '0');
    const bool negativeExponent = digitsEnd[1] == '-';
    if (negativeExponent) e = -e;
    if (e < -1 || e > 6) {
        std::memcpy(p, sci, 8);
        p = TrimZeros(p + 2, p + 8);
        *p++ = 'e';
        *p++ = negativeExponent ? '-' : '+';
        // At least three exponent digits.
        const auto expDigits = static_cast<std::size_t>(end - (digitsEnd + 2));
        for (std::size_t k = expDigits; k < 3; ++k) *p++ = '0';
        std::memcpy(p, digitsEnd + 2, expDigits);
        return static_cast<std::size_t>(p + expDigits - out);
    }
    const char digits[7] = {sci[0], sci[2], sci[3], sci[4], sci[5], sci[6], sci[7]};
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
