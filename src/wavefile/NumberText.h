#pragma once
// Locale-independent number texts in the forms the instruments' tools wrote:
// exponents always carry at least three digits ("1E-005").
#include <string>

#include "wavefile/WaveRecords.h"

namespace kivelo {

// A physical value with 7 significant digits: fixed form for decimal exponents
// -1 .. 6, else d.dddddde+xxx; trailing fraction zeros are dropped but the point
// stays ("0.", "5.", "-0.25", "5.e-002", "1234567", "1.234568e+007").
// At most 14 characters; inf and nan give "inf", "-inf", "nan".
void FormatValueText(double v, ValueText& out);
std::string ValueTextOf(double v);

// printf of one floating conversion (%e %E %f %F %g %G with flags "-+ #0", width
// and precision), exponent widened to three digits before the width is applied.
// Text around the conversion is copied ("%%" gives "%"). A format without a
// floating conversion is copied as text.
std::string FormatCrt(const char* fmt, double v);

}  // namespace kivelo
