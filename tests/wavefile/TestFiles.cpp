#include "TestFiles.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kivelo::test {

TempDir::TempDir() {
    std::string templ = "/tmp/kivelo-wavefile-XXXXXX";
    if (char* made = ::mkdtemp(templ.data())) path_ = made;
    else std::abort();
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const {
    std::string full = Path(name);
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out << bytes;
    return full;
}

namespace {

template <typename T>
std::string Row(const std::string& key, const std::vector<T>& values) {
    std::ostringstream s;
    s << key;
    for (const T& v : values) s << ' ' << v;
    s << "\r\n";
    return s.str();
}

std::vector<double> OrFill(const std::vector<double>& v, std::size_t n, double fill) {
    return v.empty() ? std::vector<double>(n, fill) : v;
}

}  // namespace

std::string HeaderText(const HeaderDesc& desc) {
    int total = 0;
    for (const GroupDesc& g : desc.groups) total += static_cast<int>(g.names.size());
    if (desc.traceTotal >= 0) total = desc.traceTotal;
    std::ostringstream h;
    h << "//ORVANTIS ASCII FILE FORMAT\r\n$PublicInfo\r\n";
    h << "FormatVersion 1.11\r\nModel " << desc.model << "\r\nEndian " << desc.endian
      << "\r\nDataFormat " << desc.dataFormat << "\r\nGroupNumber " << desc.groups.size()
      << "\r\nTraceTotalNumber " << total << "\r\nDataOffset " << desc.dataOffset << "\r\n";
    int index = 1;
    for (const GroupDesc& g : desc.groups) {
        const std::size_t n = g.names.size();
        h << "$Group" << index++ << "\r\nTraceNumber " << n << "\r\nBlockNumber " << g.blocks << "\r\n";
        h << Row("TraceName", g.names);
        for (const auto& r : g.sizes) h << Row("BlockSize", r);
        h << Row("VResolution", OrFill(g.vres, n, 1.0)) << Row("VOffset", OrFill(g.voff, n, 0.0));
        h << Row("VDataType", g.types.empty() ? std::vector<std::string>(n, "IS2") : g.types);
        h << Row("VUnit", std::vector<std::string>(n, "V"));
        for (const char* k : {"VPlusOverData", "VMinusOverData", "VIllegalData", "VMaxData", "VMinData"})
            h << Row(k, std::vector<double>(n, 0.0));
        h << Row("HResolution", std::vector<double>(n, g.hres)) << Row("HOffset", std::vector<double>(n, g.hoff));
        h << Row("HUnit", std::vector<std::string>(n, g.hunit));
        for (const auto& l : g.dateLines) h << l << "\r\n";
        for (const auto& l : g.timeLines) h << l << "\r\n";
    }
    if (desc.modelPart) h << "ModelVersion 1.02\r\n" << Row("InputModule", std::vector<std::string>(static_cast<std::size_t>(total), "M1"));
    if (desc.privatePart) {
        h << "$PrivateInfo\r\nAcqDataOffset 0\r\nPPDataOffset 100\r\nDspDataOffset 200\r\n"
             "AcqDataSize 100\r\nPPDataSize 100\r\nDspDataSize 50\r\nDspChAttr 7\r\n";
    }
    return h.str();
}

std::string Bytes16(const std::vector<int>& samples, bool little) {
    std::string s;
    for (int v : samples) {
        auto u = static_cast<uint16_t>(v);
        char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        s += little ? std::string{lo, hi} : std::string{hi, lo};
    }
    return s;
}

std::string Bytes32(const std::vector<int64_t>& samples, bool little) {
    std::string s;
    for (int64_t v : samples) {
        auto u = static_cast<uint32_t>(v);
        char b[4];
        for (int i = 0; i < 4; ++i) b[little ? i : 3 - i] = static_cast<char>((u >> (8 * i)) & 0xFF);
        s.append(b, 4);
    }
    return s;
}

std::string Bytes8(const std::vector<int>& samples) {
    std::string s;
    for (int v : samples) s += static_cast<char>(static_cast<uint8_t>(v));
    return s;
}

}  // namespace kivelo::test
