#include "wavefile/CValueFormatter.h"

#include <bit>

#include "wavefile/NumberText.h"

namespace kivelo {

void CValueFormatter::ClearCache() {}

void CValueFormatter::Set(double vResolution, double vOffset, bool isUnsigned, bool isFloat) {
    VResolution = vResolution;
    VOffset = vOffset;
    unsignedFlag = isUnsigned ? 1 : 0;
    floatFlag = isFloat ? 1 : 0;
}

double CValueFormatter::Value4(int32_t raw) const {
    double r;
    if (floatFlag) r = static_cast<double>(std::bit_cast<float>(raw));
    else if (unsignedFlag) r = static_cast<double>(static_cast<uint32_t>(raw));
    else r = static_cast<double>(raw);
    return r * VResolution + VOffset;
}

double CValueFormatter::Value2(int16_t raw) const {
    double r = unsignedFlag ? static_cast<double>(static_cast<uint16_t>(raw)) : static_cast<double>(raw);
    return r * VResolution + VOffset;
}

double CValueFormatter::Value1(int8_t raw) const {
    double r = unsignedFlag ? static_cast<double>(static_cast<uint8_t>(raw)) : static_cast<double>(raw);
    return r * VResolution + VOffset;
}

void CValueFormatter::Text4(int32_t raw, ValueText& out) { FormatValueText(Value4(raw), out); }
void CValueFormatter::Text2(int16_t raw, ValueText& out) { FormatValueText(Value2(raw), out); }
void CValueFormatter::Text1(int8_t raw, ValueText& out) { FormatValueText(Value1(raw), out); }

}  // namespace kivelo
