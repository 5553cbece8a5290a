#include "BenchFiles.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
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
            // The sine by rotation from its exact value at the chunk's start: the
            // same samples to within rounding, without a sin call per sample.
            const double w = 1e-5 * (t + 1);
            double prev = std::sin((start - 1) * w), cur = std::sin(start * w);
            const double k = 2.0 * std::cos(w);
            for (int64_t i = 0; i < n; ++i) {
                const int64_t s = start + i;
                chunk[i] = static_cast<int16_t>(20000.0 * cur + static_cast<double>(s % 997));
                const double next = k * cur - prev;
                prev = cur;
                cur = next;
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

int64_t StreamRead(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    static std::vector<char> buffer(std::size_t{1} << 20);
    int64_t total = 0;
    for (ssize_t n; (n = ::read(fd.Get(), buffer.data(), buffer.size())) > 0;) total += n;
    return total;
}

const Machine& ThisMachine() {
    static const Machine machine = [] {
        Machine m;
        m.cores = std::max(std::thread::hardware_concurrency(), 1u);
        constexpr std::size_t kBytes = std::size_t{256} << 20;
        std::vector<char> from(kBytes, 1), to(kBytes, 2);
        double best = 1e30;
        for (int i = 0; i < 3; ++i) {
            const auto t0 = Clock::now();
            std::memcpy(to.data(), from.data(), kBytes);
            benchmark::DoNotOptimize(to.data());
            best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
        }
        m.memcpyGBps = static_cast<double>(kBytes) / best / 1e9;
        return m;
    }();
    return machine;
}

const Machine& ReportMachine() {
    const Machine& m = ThisMachine();
    benchmark::AddCustomContext("cores", std::to_string(m.cores));
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", m.memcpyGBps);
    benchmark::AddCustomContext("memcpy_GB_per_s", text);
    return m;
}

double ProcessCpuMs() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
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

void PairedTimes::Report(benchmark::State& state, const std::string& baseline, const std::string& work) const {
    const double b = Median(baselineMs_), w = Median(workMs_);
    state.counters[baseline + "_ms"] = b;
    state.counters[work + "_ms"] = w;
    state.counters[work + "_over_" + baseline] = b > 0 ? w / b : 0;
}

}  // namespace kivelo::bench
