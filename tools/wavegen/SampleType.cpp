#include "SampleType.h"

#include <algorithm>
#include <cctype>

namespace kivelo::wavegen {
namespace {

int TrailingNumber(std::string_view s, int fallback) {
    std::size_t i = s.size();
    while (i > 0 && std::isdigit(static_cast<unsigned char>(s[i - 1]))) --i;
    if (i == s.size() || s.size() - i > 3) return fallback;
    int n = 0;
    for (char c : s.substr(i)) n = n * 10 + (c - '0');
    return n;
}

}  // namespace

SampleType ParseSampleType(std::string_view token) {
    SampleType t;
    t.token = std::string(token);
    const bool twoLetter =
        token.size() >= 3 && (token[0] == 'I' || token[0] == 'F') && (token[1] == 'S' || token[1] == 'U');
    if (twoLetter) {
        t.width = TrailingNumber(token.substr(2), 0);
        t.kind = token[0] == 'F' ? TypeKind::Float : token[1] == 'U' ? TypeKind::Unsigned : TypeKind::Signed;
    } else if (!token.empty() && token[0] == 'B') {
        t.width = (TrailingNumber(token.substr(1), 8) + 7) / 8;
        t.kind = TypeKind::Bit;
    } else {
        t.width = TrailingNumber(token, 2);
        t.kind = TypeKind::Unknown;
    }
    if (t.kind == TypeKind::Float && t.width != 4) t.kind = TypeKind::Unknown;
    t.width = std::clamp(t.width, 1, 8);
    return t;
}

void EncodeSample(uint64_t raw, int width, bool bigEndian, uint8_t* dst) {
    for (int k = 0; k < width; ++k) {
        const auto byte = static_cast<uint8_t>(raw >> (8 * k));
        dst[bigEndian ? width - 1 - k : k] = byte;
    }
}

int64_t DecodeSample(const uint8_t* src, const SampleType& type, bool bigEndian) {
    uint64_t raw = 0;
    for (int k = 0; k < type.width; ++k) {
        raw |= static_cast<uint64_t>(src[bigEndian ? type.width - 1 - k : k]) << (8 * k);
    }
    const int bits = 8 * type.width;
    const bool sign = type.kind == TypeKind::Signed || type.kind == TypeKind::Unknown;
    if (sign && bits < 64 && (raw >> (bits - 1)) & 1u) raw |= ~uint64_t{0} << bits;
    return static_cast<int64_t>(raw);
}

}  // namespace kivelo::wavegen
