#include "TestFiles.h"

#include <sstream>

namespace kivelo::test {

namespace {

template <typename T>
std::string Row(const std::string& key, const std::vector<T>& values) {
    std::ostringstream s;
    s << key;
    for (const T& v : values) s << ' ' << v;
    s << "\r\n";
    return s.str();
}

}  // namespace

std::string HeaderText(const HeaderDesc& d) {
    std::size_t total = 0;
    for (const GroupDesc& g : d.groups) total += g.names.size();
    std::ostringstream h;
    h << "//ORVANTIS ASCII FILE FORMAT\r\n$PublicInfo\r\nFormatVersion 1.11\r\nModel " << d.model << "\r\nEndian "
      << d.endian << "\r\nDataFormat " << d.dataFormat << "\r\nGroupNumber " << d.groups.size()
      << "\r\nTraceTotalNumber " << total << "\r\nDataOffset " << d.dataOffset << "\r\n";
    for (std::size_t i = 0; i < d.groups.size(); ++i) {
        const GroupDesc& g = d.groups[i];
        const std::size_t n = g.names.size();
        h << "$Group" << i + 1 << "\r\nTraceNumber " << n << "\r\nBlockNumber " << g.blocks << "\r\n"
          << Row("TraceName", g.names);
        for (const auto& r : g.sizes) h << Row("BlockSize", r);
        h << Row("VResolution", g.vres.empty() ? std::vector<double>(n, 1.0) : g.vres)
          << Row("VOffset", g.voff.empty() ? std::vector<double>(n, 0.0) : g.voff) << Row("VDataType", g.types)
          << Row("VUnit", std::vector<std::string>(n, "V"));
        for (const char* k : {"VPlusOverData", "VMinusOverData", "VIllegalData", "VMaxData", "VMinData"})
            h << Row(k, std::vector<int>(n, 0));
        h << Row("HResolution", std::vector<double>(n, 0.001)) << Row("HOffset", std::vector<int>(n, 0))
          << Row("HUnit", std::vector<std::string>(n, "s")) << "Date 26/12/06\r\nTime 08:00:00\r\n";
    }
    return h.str();
}

std::string SampleBytes(const std::vector<int64_t>& samples, int width, bool little) {
    std::string s;
    for (int64_t v : samples)
        for (int i = 0; i < width; ++i)
            s += static_cast<char>((static_cast<uint64_t>(v) >> (8 * (little ? i : width - 1 - i))) & 0xFF);
    return s;
}

}  // namespace kivelo::test
