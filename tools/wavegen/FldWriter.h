#pragma once
// Floating .fld files: bare little-endian IEEE single values, no header.
#include <cstdint>
#include <span>
#include <string>

#include "Result.h"
#include "Signal.h"

namespace kivelo::wavegen {

struct FldDesc {
    int64_t samples = 10000;
    SignalDesc signal;
    int trailingBytes = 0;  // 1..3 bytes that make no whole value
};

float FldSample(const FldDesc& s, int64_t index);
Result WriteFld(const std::string& path, const FldDesc& s);
Result WriteFldValues(const std::string& path, std::span<const float> values, int trailingBytes = 0);

}  // namespace kivelo::wavegen
