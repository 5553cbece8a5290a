#pragma once
// The .hdr header of a generated .wvf or .rtm file.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Signal.h"

namespace kivelo::wavegen {

struct TraceDesc {
    std::string name;          // empty: "CH<n>" (n from 1)
    std::string type = "IS2";  // VDataType token
    SignalDesc signal;
    double vResolution = 0.0;  // 0: full scale 10 units for integer types, 1 otherwise
    double vOffset = 0.0;
    std::string vUnit = "V";
};

enum class DateStyle {
    Auto,        // SingleLine for models beginning with "QV31" or "QV6", else PerBlock
    PerBlock,    // Date1..DateB then Time1..TimeB ("Date"/"Time" for one block)
    SingleLine,  // one Date and one Time line, leading values "????"
};

struct HeaderOptions {
    bool firstLine = true;  // "//ORVANTIS ASCII FILE FORMAT"
    std::string formatVersion = "1.10";
    std::string model = "QV708";
    std::string endian = "Ltl";        // "Ltl" or "Big"
    std::string dataFormat = "Trace";  // "Trace" or "Block"
    int tracesPerGroup = 4;            // traces per $Group section
    int64_t dataOffset = 0;            // bytes before the first sample of a .wvf
    double hResolution = 1.0e-3;
    double hOffset = 0.0;
    std::string hUnit = "s";
    std::string date = "2026/12/06";
    std::string time = "08:30:00";  // block k is stamped k seconds later
    DateStyle dateStyle = DateStyle::Auto;
    int datePlaceholders = 1;               // SingleLine: how many leading "????" values
    bool modelInfo = true;                  // ModelVersion and InputModule in $PrivateInfo
    bool displayBlockSize = false;          // a DisplayBlockSize line in $PrivateInfo
    bool applicationInfo = false;           // a trailing $ApplicationInfo section
    std::vector<std::string> privateLines;  // extra lines at the end of $PrivateInfo
};

// The realtime region keys of $PrivateInfo.
struct PrivateKeys {
    int64_t acqDataOffset = 0, ppDataOffset = 0, dspDataOffset = 0;
    int64_t acqDataSize = 0, ppDataSize = 0, dspDataSize = 0;
    std::optional<uint32_t> dspChAttr;
};

bool IsBigEndian(const HeaderOptions& h);
// Name and VResolution after defaults are applied.
std::string TraceName(const TraceDesc& t, int index);
double TraceVResolution(const TraceDesc& t);
// The time text of block k: the base time plus k seconds.
std::string BlockTime(const HeaderOptions& h, int block);

// Header text. blockSize(t, b) gives the samples of trace t in block b.
std::string BuildHeader(const HeaderOptions& h, const std::vector<TraceDesc>& traces, int blocks,
                        const std::function<int64_t(int, int)>& blockSize,
                        const std::optional<PrivateKeys>& privateKeys);

// The header beside a data file: its extension replaced by "hdr" ("HDR" for an
// upper-case extension).
std::string HeaderPathFor(const std::string& dataPath);

}  // namespace kivelo::wavegen
