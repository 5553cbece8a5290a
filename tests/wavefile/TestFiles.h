#pragma once
// Scratch directories and small .hdr / data files for the waveform file tests.
#include <cstdint>
#include <string>
#include <vector>

namespace kivelo::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Path(const std::string& name) const { return path_ + "/" + name; }
    // Writes bytes to name inside the directory; returns the full path.
    std::string Write(const std::string& name, const std::string& bytes) const;

private:
    std::string path_;
};

struct GroupDesc {
    std::vector<std::string> names;
    int blocks = 1;
    std::vector<std::vector<int>> sizes;  // BlockSize lines, one row per line
    std::vector<std::string> types;       // VDataType per trace
    std::vector<double> vres;             // default 1 per trace
    std::vector<double> voff;             // default 0 per trace
    std::string hunit = "s";
    double hres = 0.001;
    double hoff = 0.0;
    std::vector<std::string> dateLines;   // full lines after HUnit ("Date 98/07/01 ...")
    std::vector<std::string> timeLines;
};

struct HeaderDesc {
    std::string model = "QV700";
    std::string endian = "Ltl";
    std::string dataFormat = "Trace";
    int dataOffset = 0;
    int traceTotal = -1;  // -1: sum of the groups
    std::vector<GroupDesc> groups;
    bool modelPart = true;
    bool privatePart = false;
};

// The header text, lines ended by CR LF.
std::string HeaderText(const HeaderDesc& desc);

// Samples in the byte order given.
std::string Bytes16(const std::vector<int>& samples, bool little);
std::string Bytes32(const std::vector<int64_t>& samples, bool little);
std::string Bytes8(const std::vector<int>& samples);

}  // namespace kivelo::test
