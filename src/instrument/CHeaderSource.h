#pragma once
// Where the header writer gets its values from. The writer knows the layout of
// a header and nothing about instruments; it asks a source for each value.
//
// Every operation returns -1 on success and 0 on failure (an I/O failure of
// the instrument behind it); values go to the out-parameters, which are left
// unchanged on failure. block is a record (history block) number, trace a
// 0-based channel number.
#include <cstdint>
#include <string>
#include <vector>

namespace kivelo {

inline constexpr int kSourceOk = -1;
inline constexpr int kSourceFailed = 0;

class CHeaderSource {
public:
    virtual ~CHeaderSource() = default;

    // File the header is written to.
    virtual int GetHeaderPath(std::string& path) = 0;                        // 0
    // 0 "Block", 1 "Trace", 2 "Scan".
    virtual int GetDataFormat(int& format) = 0;                              // 1
    // Step between successive block numbers, +1 or -1.
    virtual int GetBlockStep(int& step) = 0;                                 // 2
    virtual int GetTraceTotalNumber(int& count) = 0;                         // 3
    virtual int GetTraceList(std::vector<uint16_t>& traces) = 0;             // 4
    virtual int GetFirstBlockNo(int& block, int trace) = 0;                  // 5
    virtual int GetBlockCount(int& count, int trace) = 0;                    // 6
    virtual int GetBlockSize(int& size, int block, int trace) = 0;           // 7
    virtual int GetFirstPointNo(int& point, int block, int trace) = 0;       // 8
    virtual int GetPointStep(int& step, int block, int trace) = 0;           // 9
    virtual int GetVResolution(double& value, int block, int trace) = 0;     // 10
    virtual int GetVOffset(double& value, int block, int trace) = 0;         // 11
    virtual int GetModelName(std::string& name) = 0;                         // 12
    virtual int GetModelVersion(std::string& version) = 0;                   // 13

    // Bytes appended after the header text when the source asks for a data
    // part to be appended. None by default.
    virtual int GetDataPart(std::vector<uint8_t>& data);
};

}  // namespace kivelo
