#pragma once
// Sample types of the header's VDataType token and their byte encoding.
#include <cstdint>
#include <string>
#include <string_view>

namespace kivelo::wavegen {

enum class TypeKind { Signed, Unsigned, Float, Bit, Unknown };

struct SampleType {
    std::string token = "IS2";  // written to the header as is
    int width = 2;              // bytes per sample in the data file
    TypeKind kind = TypeKind::Signed;
};

// "IS1".."IU4", "FS4", "B8".."B16"; any other token is Unknown with the width of its
// trailing digits ("XX2" -> 2, "XX" -> 2). Widths are clamped to 1..8.
SampleType ParseSampleType(std::string_view token);

// Stores the low `width` bytes of raw at dst in the given byte order.
void EncodeSample(uint64_t raw, int width, bool bigEndian, uint8_t* dst);
// Reads `width` bytes back; signed kinds (and Unknown) are sign-extended.
int64_t DecodeSample(const uint8_t* src, const SampleType& type, bool bigEndian);

}  // namespace kivelo::wavegen
