#include "BenchFiles.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <string>
#include <vector>

#include "WaveHeader.h"
#include "common/UniqueFd.h"
#include "common/WriteAll.h"

namespace kivelo::bench {

namespace {

void WriteOrAbort(int fd, const void* data, std::size_t size) {
    if (!WriteAll(fd, data, size)) std::abort();
}

// One block of IS2 traces in millivolts at a microsecond per sample.
std::string HeaderText(int traces, int64_t samples) {
    wavegen::HeaderOptions h;
    h.model = "QV4300";
    h.hResolution = 1e-6;
    std::vector<wavegen::TraceDesc> desc(static_cast<std::size_t>(traces));
    for (wavegen::TraceDesc& t : desc) t.vResolution = 1e-3;
    return wavegen::BuildHeader(
        h, desc, 1, [samples](int, int) { return samples; }, std::nullopt);
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

int64_t PreadAll(int fd, std::vector<uint8_t>& buf) {
    int64_t total = 0;
    for (off_t off = 0;; off += static_cast<off_t>(buf.size())) {
        const ssize_t n = ::pread(fd, buf.data(), buf.size(), off);
        if (n <= 0) break;
        total += n;
    }
    return total;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

double PeakRssMb() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace kivelo::bench
