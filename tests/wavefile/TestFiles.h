#pragma once
// Small .hdr texts and sample bytes for the waveform file tests.
#include <cstdint>
#include <string>
#include <vector>

namespace kivelo::test {

struct GroupDesc {
    std::vector<std::string> names;
    std::vector<std::string> types;       // VDataType per trace
    std::vector<std::vector<int>> sizes;  // BlockSize lines, fewer than blocks = a short run
    int blocks = 1;
    std::vector<double> vres, voff;  // empty: 1 and 0 for every trace
};

struct HeaderDesc {
    std::string model = "QV700", endian = "Ltl", dataFormat = "Trace";
    int dataOffset = 0;
    std::vector<GroupDesc> groups;
};

// The header text, lines ended by CR LF.
std::string HeaderText(const HeaderDesc& desc);
// Samples of width bytes each (their low-order bytes) in the byte order given.
std::string SampleBytes(const std::vector<int64_t>& samples, int width, bool little);

}  // namespace kivelo::test
