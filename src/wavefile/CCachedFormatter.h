#pragma once
// Value formatter with a 65,536-entry table of texts for 1- and 2-byte samples.
#include <vector>

#include "wavefile/CValueFormatter.h"

namespace kivelo {

class CCachedFormatter : public CValueFormatter {
public:
    CCachedFormatter();

    void ClearCache() override;
    void Text2(int16_t raw, ValueText& out) override;
    void Text1(int8_t raw, ValueText& out) override;

private:
    ValueText& Entry(uint16_t index);

    std::vector<ValueText> table_;  // 65,536 entries, empty text = not yet filled
};

}  // namespace kivelo
