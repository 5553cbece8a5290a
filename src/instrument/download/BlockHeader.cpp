#include "instrument/download/BlockHeader.h"

namespace kivelo {

namespace {
bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }
}  // namespace

bool BlockHeader::ParseLead(std::span<const uint8_t> lead, int& digits) {
    if (lead.size() != 2 || lead[0] != '#' || !IsDigit(lead[1]) || lead[1] == '0') return false;
    digits = lead[1] - '0';
    return true;
}

bool BlockHeader::ParseCount(std::span<const uint8_t> digits, int64_t& byteCount) {
    if (digits.empty() || digits.size() > kMaxDigits) return false;
    int64_t value = 0;
    for (uint8_t c : digits) {
        if (!IsDigit(c)) return false;
        value = value * 10 + (c - '0');
    }
    byteCount = value;
    return true;
}

}  // namespace kivelo
