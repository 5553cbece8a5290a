#include "BenchFiles.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <string>
#include <vector>

#include "common/UniqueFd.h"
#include "common/WriteAll.h"

namespace kivelo::bench {

namespace {

void WriteOrAbort(int fd, const void* data, std::size_t size) {
    if (!WriteAll(fd, data, size)) std::abort();
}

std::string HeaderText(int traces, int64_t samples) {
    std::string h = "//ORVANTIS ASCII FILE FORMAT\r\n\r\n$PublicInfo\r\n\r\n";
    char line[256];
    auto key = [&](const char* k, const std::string& v) {
        std::snprintf(line, sizeof line, "%-20s%s\r\n", k, v.c_str());
        h += line;
    };
    auto perTrace = [&](const char* k, const std::string& v) {
        std::string values;
        for (int t = 0; t < traces; ++t) {
            std::snprintf(line, sizeof line, "%-16s", v.c_str());
            values += line;
        }
        key(k, values);
    };
    key("FormatVersion", "1.10");
    key("Model", "QV4300");
    key("Endian", "Ltl");
    key("DataFormat", "Trace");
    key("GroupNumber", "1");
    key("TraceTotalNumber", std::to_string(traces));
    key("DataOffset", "0");
    h += "\r\n$Group1\r\n";
    key("TraceNumber", std::to_string(traces));
    key("BlockNumber", "1");
    std::string names;
    for (int t = 0; t < traces; ++t) {
        std::snprintf(line, sizeof line, "CH%-14d", t + 1);
        names += line;
    }
    key("TraceName", names);
    perTrace("BlockSize", std::to_string(samples));
    perTrace("VResolution", "1.0000000E-003");
    perTrace("VOffset", "0.0000000E+000");
    perTrace("VDataType", "IS2");
    perTrace("VUnit", "V");
    for (const char* k : {"VPlusOverData", "VMinusOverData", "VIllegalData", "VMaxData", "VMinData"}) perTrace(k, "0");
    perTrace("HResolution", "1.0000000E-006");
    perTrace("HOffset", "0.0000000E+000");
    perTrace("HUnit", "s");
    perTrace("Date", "26/12/06");
    perTrace("Time", "08:00:00");
    return h;
}

}  // namespace

std::string WriteRecord(const TempDir& dir, int traces, int64_t samples) {
    if (!dir.Ok()) std::abort();
    std::string wvf = dir.File("bench.wvf");
    std::string hdr = HeaderText(traces, samples);
    {
        UniqueFd hfd(::open(dir.File("bench.hdr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
        WriteOrAbort(hfd.Get(), hdr.data(), hdr.size());
    }

    UniqueFd fd(::open(wvf.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
    std::vector<int16_t> chunk(1 << 20);
    for (int t = 0; t < traces; ++t) {
        for (int64_t start = 0; start < samples; start += static_cast<int64_t>(chunk.size())) {
            int64_t n = std::min<int64_t>(static_cast<int64_t>(chunk.size()), samples - start);
            for (int64_t i = 0; i < n; ++i) {
                int64_t s = start + i;
                chunk[i] = static_cast<int16_t>(20000.0 * std::sin(s * 1e-5 * (t + 1)) + (s % 997));
            }
            WriteOrAbort(fd.Get(), chunk.data(), static_cast<std::size_t>(n) * 2);
        }
    }
    return wvf;
}

void WarmPageCache(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY));
    std::vector<char> buf(1 << 20);
    while (::read(fd.Get(), buf.data(), buf.size()) > 0) {}
}

double PeakRssMb() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace kivelo::bench
