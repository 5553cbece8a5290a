#pragma once
// Byte order and width conversion of raw samples (the output width code table).
#include <cstdint>
#include <span>

namespace kivelo {

// Output bytes per sample for a width code (0 native, 1, 2, 3 = 4 bytes) and a
// native width; 0 for an unknown code or an unsupported width.
int OutputSampleSize(int code, int nativeWidth);

// Converts up to count samples of width bytes from src into dst by the width code:
// byte-reversed first when swap is set (2- and 4-byte samples), then copied,
// narrowed to the low-order bytes, or widened with zeros (zeroExtend) or the sign
// bit. Never reads or writes past either span. src and dst may be the same memory
// when the output is no wider than the stored sample. Returns the samples written.
int64_t ConvertSampleRun(int code, int width, std::span<uint8_t> dst, std::span<const uint8_t> src, int64_t count,
                         bool swap, bool zeroExtend);

}  // namespace kivelo
