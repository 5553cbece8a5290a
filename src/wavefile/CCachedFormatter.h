#pragma once
// Value formatter with a 65,536-entry table of texts for 1- and 2-byte samples.
#include <vector>

#include "wavefile/CValueFormatter.h"

namespace kivelo {

// Final and defined here, so that a reader holding one formats from the table
// without a call per sample.
class CCachedFormatter final : public CValueFormatter {
public:
    CCachedFormatter();

    void ClearCache() override;
    void Text2(int16_t raw, ValueText& out) override {
        ValueText& entry = Entry(static_cast<uint16_t>(raw));
        if (entry[0] == '\0') [[unlikely]]
            CValueFormatter::Text2(raw, entry);
        out = entry;
    }
    void Text1(int8_t raw, ValueText& out) override {
        // Sign-extended to 16 bits: the byte -1 uses entry 65,535.
        ValueText& entry = Entry(static_cast<uint16_t>(static_cast<int16_t>(raw)));
        if (entry[0] == '\0') [[unlikely]]
            CValueFormatter::Text1(raw, entry);
        out = entry;
    }

private:
    ValueText& Entry(uint16_t index) {
        if (table_.empty()) [[unlikely]]
            MakeTable();
        return table_[index];
    }
    void MakeTable();

    std::vector<ValueText> table_;  // 65,536 entries, empty text = not yet filled
};

}  // namespace kivelo
