// CSV of a 4-trace x 4M-sample 2-byte record on one and on two threads, by the
// writer in this process and by a whole `kivelo-cli csv` run, each iteration
// paired with a durable write (write, fsync, rename, as the writer does) of the
// same number of bytes from memory in the same run, and one beside two threads in
// turn in each iteration. The machine's cores and memory bandwidth head the
// output; each figure carries the load average it was taken under.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "BenchFiles.h"
#include "common/StagedFile.h"
#include "export/CsvWriter.h"
#include "wavefile/CWaveFile.h"

namespace {

using kivelo::bench::Clock;
using kivelo::bench::Median;
using kivelo::bench::Ms;

constexpr int kTraces = 4;
constexpr int64_t kSamples = int64_t{4} << 20;

const std::string& Record() {
    static const kivelo::bench::ScratchRecord record(kTraces, kSamples);
    return record.Path();
}

std::string OutputPath(const char* name) { return (std::filesystem::path(Record()).parent_path() / name).string(); }

// Milliseconds of a durable write of `size` bytes; aborts the benchmark on failure.
double DurableWriteMs(std::size_t size) {
    static std::vector<char> bytes;
    if (bytes.size() < size) bytes.assign(size, '7');
    const std::string out = OutputPath("memory.csv");
    const auto t0 = Clock::now();
    kivelo::StagedFile file;
    if (!file.Create(out, kivelo::StagedFile::Existing::Replace) ||
        !file.Append(std::string_view(bytes.data(), size)) || !file.Commit())
        std::abort();
    return Ms(t0, Clock::now());
}

// Processor time of this process and of its finished children (the CLI runs in one).
double CpuMsWithChildren() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
    };
    return kivelo::bench::ProcessCpuMs() + ms(usage.ru_utime) + ms(usage.ru_stime);
}

double LoadAverage() {
    double load = 0;
    return ::getloadavg(&load, 1) == 1 ? load : -1.0;
}

// Runs `write` (which writes `out`) and a durable write of as many bytes, in turn.
// The ratio is the median of each iteration's own ratio: the machine is shared,
// and its load changes between iterations more than within one.
template <typename Write>
void Paired(benchmark::State& state, const std::string& out, Write&& write) {
    std::vector<double> csvMs, durableMs, ratios, cpuMs;
    std::size_t size = 0;
    for (auto _ : state) {
        const double cpu0 = CpuMsWithChildren();
        const auto t0 = Clock::now();
        if (!write()) {
            state.SkipWithError("the CSV write failed");
            return;
        }
        csvMs.push_back(Ms(t0, Clock::now()));
        cpuMs.push_back(CpuMsWithChildren() - cpu0);
        size = static_cast<std::size_t>(std::filesystem::file_size(out));
        durableMs.push_back(DurableWriteMs(size));
        ratios.push_back(csvMs.back() / durableMs.back());
    }
    state.counters["csv_ms"] = Median(csvMs);
    state.counters["durable_write_ms"] = Median(durableMs);
    state.counters["csv_over_durable_write"] = Median(ratios);
    // Processor time of the write, all its threads (and the CLI's process).
    state.counters["csv_cpu_ms"] = Median(cpuMs);
    state.counters["csv_MB"] = static_cast<double>(size) / 1e6;
    state.counters["load_avg"] = LoadAverage();
    state.counters["peak_rss_MB"] = kivelo::bench::PeakRssMb();
}

// The file is opened in each run, as the CLI does: its text tables start empty.
void BM_CsvWriterOverDurableWrite(benchmark::State& state) {
    const std::string out = OutputPath("out.csv");
    kivelo::CsvRequest request;
    request.count = static_cast<int32_t>(kSamples);
    request.threads = static_cast<int>(state.range(0));
    Paired(state, out, [&] {
        kivelo::CWaveFile file(Record(), 65536);
        kivelo::CsvWriter writer;
        return file.IsOpen() && writer.Write(file, out, request) == -1;
    });
}

// The CLI beside this benchmark binary, on the same record.
void BM_CliCsvOverDurableWrite(benchmark::State& state) {
    const std::filesystem::path cli = std::filesystem::canonical("/proc/self/exe").parent_path() / "kivelo-cli";
    const std::string out = OutputPath("cli.csv");
    const std::string threads = state.range(0) > 0 ? " --threads " + std::to_string(state.range(0)) : "";
    const std::string command =
        cli.string() + " csv " + Record() + " -o " + out + " --force" + threads + " > /dev/null";
    Paired(state, out, [&] { return std::system(command.c_str()) == 0; });
}

// One thread, two threads and a durable write in turn in each iteration, so that
// the two thread counts meet the same load: their ratio is the median of each
// iteration's own.
void BM_CsvTwoThreadsOverOne(benchmark::State& state) {
    const std::string out = OutputPath("out.csv");
    std::vector<double> oneRatios, twoRatios, twoOverOne, oneCpu, twoCpu;
    auto write = [&](int threads) {
        kivelo::CsvRequest request;
        request.count = static_cast<int32_t>(kSamples);
        request.threads = threads;
        kivelo::CWaveFile file(Record(), 65536);
        kivelo::CsvWriter writer;
        const double cpu0 = kivelo::bench::ProcessCpuMs();
        const auto t0 = Clock::now();
        if (!file.IsOpen() || writer.Write(file, out, request) != -1) return -1.0;
        const double ms = Ms(t0, Clock::now());
        (threads == 1 ? oneCpu : twoCpu).push_back(kivelo::bench::ProcessCpuMs() - cpu0);
        return ms;
    };
    for (auto _ : state) {
        const double one = write(1);
        const double two = write(2);
        if (one < 0 || two < 0) {
            state.SkipWithError("the CSV write failed");
            return;
        }
        const double durable = DurableWriteMs(static_cast<std::size_t>(std::filesystem::file_size(out)));
        oneRatios.push_back(one / durable);
        twoRatios.push_back(two / durable);
        twoOverOne.push_back(two / one);
    }
    state.counters["one_thread_over_durable_write"] = Median(oneRatios);
    state.counters["two_threads_over_durable_write"] = Median(twoRatios);
    state.counters["two_threads_over_one"] = Median(twoOverOne);
    state.counters["one_thread_cpu_ms"] = Median(oneCpu);
    state.counters["two_threads_cpu_ms"] = Median(twoCpu);
    state.counters["load_avg"] = LoadAverage();
}

// One and two threads and the default choice (0: a second thread only when a
// processor is free), a few paired iterations each.
void OnOneAndTwoThreads(benchmark::internal::Benchmark* b) {
    b->Arg(1)->Arg(2)->Arg(0)->ArgName("threads")->Unit(benchmark::kMillisecond)->Iterations(7)->UseRealTime();
}

}  // namespace

BENCHMARK(BM_CsvWriterOverDurableWrite)->Apply(OnOneAndTwoThreads);
BENCHMARK(BM_CliCsvOverDurableWrite)->Apply(OnOneAndTwoThreads);
BENCHMARK(BM_CsvTwoThreadsOverOne)->Unit(benchmark::kMillisecond)->Iterations(9)->UseRealTime();

KIVELO_BENCHMARK_MAIN()
