// Download and save of 8 traces x 10 records from the simulated recorder's
// GPIB library, at 1M and 4M points per record. Reports the sample bytes per
// second and the peak resident memory of each run: the receive path streams
// through one chunk buffer, so memory must not grow with the record size.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "BenchFiles.h"
#include "common/TempDir.h"
#include "instrument/download/CommConnection.h"
#include "instrument/download/CommTarget.h"
#include "instrument/download/Download.h"
#include "instrument/download/DownloadResult.h"
#include "instrument/drivers/DownloadPlan.h"
#include "port/PortTable.h"

namespace {

constexpr int kTraces = 8;
constexpr int kRecords = 10;

// The simulator library, loaded before the ports' binding (given its path) binds
// it so that both see the same instrument; its extra export rebuilds the instrument
// from the QVSIM_* environment.
class SimLibrary {
public:
    SimLibrary() {
        handle_ = dlopen(QVSIM_GPIB_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (handle_ != nullptr) reset_ = reinterpret_cast<int (*)()>(dlsym(handle_, "qvsim_gpib_reset"));
    }
    ~SimLibrary() {
        if (handle_ != nullptr) dlclose(handle_);
    }
    SimLibrary(const SimLibrary&) = delete;
    SimLibrary& operator=(const SimLibrary&) = delete;

    bool Configure(int64_t points) {
        setenv("QVSIM_FAMILY", "qv8", 1);
        setenv("QVSIM_CHANNELS", std::to_string(kTraces).c_str(), 1);
        setenv("QVSIM_LENGTH", std::to_string(points).c_str(), 1);
        setenv("QVSIM_RECORDS", std::to_string(kRecords).c_str(), 1);
        return reset_ != nullptr && reset_() == 0;
    }

private:
    void* handle_ = nullptr;
    int (*reset_)() = nullptr;
};

SimLibrary& Sim() {
    static SimLibrary library;
    return library;
}

// Lets the next peak measured start from the current resident set, so that
// each record size reports its own peak.
void ResetPeakRss() { std::ofstream("/proc/self/clear_refs") << "5"; }

void BM_DownloadGpib(benchmark::State& state) {
    const int64_t points = state.range(0);
    if (!Sim().Configure(points)) {
        state.SkipWithError("simulator library not usable");
        return;
    }
    kivelo::PortTable ports(kivelo::PortOptions{QVSIM_GPIB_LIBRARY, {}});
    const kivelo::CommTarget target{1, {}};
    kivelo::CInstrumentPort& port = kivelo::SelectPort(ports, target);
    kivelo::DownloadPlan plan;
    kivelo::DownloadInfo info;
    if (kivelo::QueryInstrument(port, target, plan, info) != kivelo::kDownloadOk || info.traceCount != kTraces ||
        info.length != points) {
        state.SkipWithError("information query failed");
        return;
    }
    ResetPeakRss();
    const double startMb = kivelo::bench::PeakRssMb();
    int64_t bytes = 0;
    for (auto _ : state) {
        kivelo::TempDir dir("kivelo-bench-");
        const int result = kivelo::DownloadToFiles(port, target, dir.Path() + "/bench", plan, {});
        if (result != kivelo::kDownloadOk) {
            state.SkipWithError("download failed");
            return;
        }
        const auto size = std::filesystem::file_size(dir.Path() + "/bench.wvf");
        if (size != static_cast<uintmax_t>(kTraces * kRecords * points * 2)) {
            state.SkipWithError("data file has the wrong size");
            return;
        }
        bytes += static_cast<int64_t>(size);
    }
    state.SetBytesProcessed(bytes);
    state.counters["points"] = static_cast<double>(points);
    const double peakMb = kivelo::bench::PeakRssMb();
    state.counters["peak_rss_MB"] = peakMb;
    state.counters["rss_growth_MB"] = peakMb - startMb;
}

BENCHMARK(BM_DownloadGpib)->Arg(1000000)->Arg(4000000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

KIVELO_BENCHMARK_MAIN()
