#pragma once
// Where the header writer gets its values from. The writer knows the layout of
// a header and nothing about instruments; it asks a source for each value.
//
// Every operation returns kSourceOk (-1) on success and kSourceFailed (0) on
// failure (an I/O failure of the instrument behind it); values go to the
// out-parameters, which are left unchanged on failure. block is a record
// (history block) number, trace a 0-based channel number.
#include <cstdint>
#include <string>
#include <vector>

namespace kivelo {

inline constexpr int kSourceOk = -1;
inline constexpr int kSourceFailed = 0;

// Most traces (and media groups) a header may describe.
inline constexpr int kMaxHeaderTraces = 100;

// Which optional parts the header writer emits for a source. The download
// writes the private section and neither the media section nor a data part.
struct HeaderSwitches {
    bool privateSection = true;
    bool mediaSection = false;
    bool dataAppend = false;
};

// Keys whose values may be written once per block rather than once per trace.
enum class PerBlockKey {
    // clang-format off
    BlockSize, VResolution, VOffset, VDataType, VUnit, VPlusOverData,
    VMinusOverData, VIllegalData, VMaxData, VMinData, HResolution, HOffset,
    HUnit, Date, Time, DisplayBlockSize, DisplayPointNo, DCOffset, DCUnit,
    InputModule, MaskData, LinearMode, LinearIntercept, LinearSlope,
    LinearUnit, PhaseShift, TriggerPointNo
    // clang-format on
};

class CHeaderSource {
public:
    virtual ~CHeaderSource() = default;

    virtual const HeaderSwitches& Switches() const = 0;

    // File the header is written to.
    virtual int GetHeaderPath(std::string& path) = 0;  // 0
    // 0 "Block", 1 "Trace", 2 "Scan".
    virtual int GetDataFormat(int& format) = 0;  // 1
    // Step between successive block numbers, +1 or -1.
    virtual int GetBlockStep(int& step) = 0;                              // 2
    virtual int GetTraceTotalNumber(int& count) = 0;                      // 3
    virtual int GetTraceList(std::vector<uint16_t>& traces) = 0;          // 4
    virtual int GetFirstBlockNo(int& block, int trace) = 0;               // 5
    virtual int GetBlockCount(int& count, int trace) = 0;                 // 6
    virtual int GetBlockSize(int& size, int block, int trace) = 0;        // 7
    virtual int GetFirstPointNo(int& point, int block, int trace) = 0;    // 8
    virtual int GetPointStep(int& step, int block, int trace) = 0;        // 9
    virtual int GetVResolution(double& value, int block, int trace) = 0;  // 10
    virtual int GetVOffset(double& value, int block, int trace) = 0;      // 11
    virtual int GetModelName(std::string& name) = 0;                      // 12
    virtual int GetModelVersion(std::string& version) = 0;                // 13

    virtual int GetEndian(std::string& out) = 0;                                  // 25
    virtual int GetDataOffset(std::string& out) = 0;                              // 26
    virtual int GetTraceName(std::string& out, int trace) = 0;                    // 27
    virtual int GetVDataType(std::string& out, int block, int trace) = 0;         // 28
    virtual int GetVUnit(std::string& out, int block, int trace) = 0;             // 29
    virtual int GetVPlusOverData(std::string& out, int block, int trace) = 0;     // 30
    virtual int GetVMinusOverData(std::string& out, int block, int trace) = 0;    // 31
    virtual int GetVIllegalData(std::string& out, int block, int trace) = 0;      // 32
    virtual int GetVMaxData(std::string& out, int block, int trace) = 0;          // 33
    virtual int GetVMinData(std::string& out, int block, int trace) = 0;          // 34
    virtual int GetHResolution(double& value, int block, int trace) = 0;          // 35
    virtual int GetHOffset(double& value, int block, int trace) = 0;              // 36
    virtual int GetHUnit(std::string& out, int block, int trace) = 0;             // 37
    virtual int GetDate(std::string& out, int block, int trace) = 0;              // 38
    virtual int GetTime(std::string& out, int block, int trace) = 0;              // 39
    virtual int GetDisplayBlockSize(std::string& out, int block, int trace) = 0;  // 40
    virtual int GetDisplayPointNo(std::string& out, int block, int trace) = 0;    // 41
    virtual int GetDCOffset(std::string& out, int block, int trace) = 0;          // 42
    virtual int GetDCUnit(std::string& out, int block, int trace) = 0;            // 43
    virtual int GetForm(std::string& out) = 0;                                    // 44
    virtual int GetFunction(std::string& out) = 0;                                // 45
    virtual int GetInputModule(std::string& out, int block, int trace) = 0;       // 46
    virtual int GetMaskData(std::string& out, int block, int trace) = 0;          // 47
    virtual int GetMathBlockNo(std::string& out) = 0;                             // 48
    virtual int GetMode(std::string& out) = 0;                                    // 49
    virtual int GetLinearMode(std::string& out, int block, int trace) = 0;        // 50
    virtual int GetLinearIntercept(std::string& out, int block, int trace) = 0;   // 51
    virtual int GetLinearSlope(std::string& out, int block, int trace) = 0;       // 52
    virtual int GetLinearUnit(std::string& out, int block, int trace) = 0;        // 53
    virtual int GetPhaseShift(std::string& out, int block, int trace) = 0;        // 54
    virtual int GetPTraceName(std::string& out, int trace) = 0;                   // 55
    virtual int GetRefFileNumber(std::string& out) = 0;                           // 56
    virtual int GetTriggerPointNo(std::string& out, int block, int trace) = 0;    // 57
    // Media section (never written by a download).
    virtual int GetMGroupNumber(int& count) = 0;                              // 58
    virtual int GetMTraceNumber(int& traces, int& blocks, int group) = 0;     // 59
    virtual int GetMBlockNumber(std::string& out, int group) = 0;             // 60
    virtual int GetStartBlockNo(std::string& out, int block, int trace) = 0;  // 61
    virtual int GetStartPointNo(std::string& out, int block, int trace) = 0;  // 62
    virtual int GetEndBlockNo(std::string& out, int block, int trace) = 0;    // 63
    virtual int GetEndPointNo(std::string& out, int block, int trace) = 0;    // 64
    virtual int GetMediaEnd(std::string& out) = 0;                            // 65
    // 1 when the key is written once per block, 0 once per trace.
    virtual int IsPerBlock(PerBlockKey key) const = 0;  // 66-92

    // Bytes appended after the header text when the source asks for a data
    // part to be appended. None by default.
    virtual int GetDataPart(std::vector<uint8_t>& data);
};

}  // namespace kivelo
