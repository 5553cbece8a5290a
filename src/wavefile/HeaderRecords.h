#pragma once
// Records parsed from an ASCII .hdr header file.
#include <cstdint>
#include <string>
#include <vector>

namespace kivelo {

// Header text values live in 20-character slots: at most 19 characters are kept.
inline constexpr std::size_t kTextFieldSize = 20;
inline constexpr std::size_t kTextMaxLength = kTextFieldSize - 1;

// Decoded from VDataType.
enum DataKind : int32_t {
    kKindSigned = 0,
    kKindFloat = 1,
    kKindBit = 2,
    kKindUnsigned = 3,
    kKindUnrecognised = 4,
};

struct HdrPublicInfo {
    std::string FormatVersion;
    std::string Model;
    std::string Endian;      // "Ltl" = little-endian, anything else big-endian
    std::string DataFormat;  // "Trace" or "Block"
    int32_t GroupNumber = 0;
    int32_t TraceTotalNumber = 0;
    int32_t DataOffset = 0;
};

struct HdrGroupInfo {
    int32_t TraceNumber = 0;             // N
    int32_t BlockNumber = 0;             // B
    std::vector<std::string> TraceName;  // N
    std::vector<int32_t> BlockSize;      // B x N, element b * N + t
    std::vector<double> VResolution;     // N
    std::vector<double> VOffset;
    std::vector<int32_t> DataWidth;  // bytes per sample
    std::vector<int32_t> DataKind;   // DataKind values
    std::vector<std::string> VUnit;
    std::vector<double> VPlusOverData;
    std::vector<double> VMinusOverData;
    std::vector<double> VIllegalData;
    std::vector<double> VMaxData;
    std::vector<double> VMinData;
    std::vector<double> HResolution;
    std::vector<double> HOffset;
    std::vector<std::string> HUnit;
    std::vector<std::string> Date;  // B
    std::vector<std::string> Time;  // B
};

struct HdrModelInfo {
    std::string ModelVersion = "???";
    std::vector<std::string> InputModule;  // TraceTotalNumber entries, or none
};

struct HdrPrivateInfo {
    int32_t Valid = 0;
    int32_t AcqDataOffset = 0;
    int32_t PPDataOffset = 0;
    int32_t DspDataOffset = 0;
    int32_t AcqDataSize = 0;
    int32_t PPDataSize = 0;
    int32_t DspDataSize = 0;
    int32_t DspChAttrPresent = 0;
    int32_t DspChAttr = 0;  // channel bit mask
};

}  // namespace kivelo
