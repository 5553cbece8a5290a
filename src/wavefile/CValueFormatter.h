#pragma once
// Raw sample -> physical value (raw x VResolution + VOffset) and 7-digit text.
#include <cstdint>

#include "wavefile/WaveRecords.h"

namespace kivelo {

class CValueFormatter {
public:
    CValueFormatter() = default;
    virtual ~CValueFormatter() = default;

    virtual void ClearCache();
    virtual void Text4(int32_t raw, ValueText& out);
    virtual void Text2(int16_t raw, ValueText& out);
    virtual void Text1(int8_t raw, ValueText& out);
    virtual double Value4(int32_t raw) const;
    virtual double Value2(int16_t raw) const;
    virtual double Value1(int8_t raw) const;

    // isFloat: 4-byte samples hold IEEE single-precision values, not integers.
    void Set(double vResolution, double vOffset, bool isUnsigned, bool isFloat = false);

    double VResolution = 0.0;
    double VOffset = 0.0;
    int32_t digits = 7;
    int32_t unsignedFlag = 0;
    int32_t floatFlag = 0;
};

}  // namespace kivelo
