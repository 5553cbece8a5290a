#include "CCachedFormatter.h"

namespace kivelo {

namespace {
constexpr std::size_t kTableSize = 65536;
}

CCachedFormatter::CCachedFormatter() : table_(kTableSize, ValueText{}) {}

void CCachedFormatter::ClearCache() {
    for (ValueText& t : table_) t[0] = '\0';
}

void CCachedFormatter::Text2(int16_t raw, ValueText& out) {
    ValueText& entry = table_[static_cast<uint16_t>(raw)];
    if (entry[0] == '\0') CValueFormatter::Text2(raw, entry);
    out = entry;
}

void CCachedFormatter::Text1(int8_t raw, ValueText& out) {
    // Sign-extended to 16 bits: the byte -1 uses entry 65,535.
    ValueText& entry = table_[static_cast<uint16_t>(static_cast<int16_t>(raw))];
    if (entry[0] == '\0') CValueFormatter::Text1(raw, entry);
    out = entry;
}

}  // namespace kivelo
