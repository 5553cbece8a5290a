#include "wavefile/CCachedFormatter.h"

namespace kivelo {

namespace {
constexpr std::size_t kTableSize = 65536;
}

// The table (1.3 MB) is made on the first text of a 1- or 2-byte sample, so
// traces that are only read as values or envelopes never pay for it.
CCachedFormatter::CCachedFormatter() = default;

void CCachedFormatter::ClearCache() {
    for (ValueText& t : table_) t[0] = '\0';
}

ValueText& CCachedFormatter::Entry(uint16_t index) {
    if (table_.empty()) table_.assign(kTableSize, ValueText{});
    return table_[index];
}

void CCachedFormatter::Text2(int16_t raw, ValueText& out) {
    ValueText& entry = Entry(static_cast<uint16_t>(raw));
    if (entry[0] == '\0') CValueFormatter::Text2(raw, entry);
    out = entry;
}

void CCachedFormatter::Text1(int8_t raw, ValueText& out) {
    // Sign-extended to 16 bits: the byte -1 uses entry 65,535.
    ValueText& entry = Entry(static_cast<uint16_t>(static_cast<int16_t>(raw)));
    if (entry[0] == '\0') CValueFormatter::Text1(raw, entry);
    out = entry;
}

}  // namespace kivelo
