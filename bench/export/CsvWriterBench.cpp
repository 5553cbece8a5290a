// CSV writer on a 4-trace x 4M-sample 2-byte record on one and on two threads,
// and the whole `kivelo-cli csv` run, each beside writing the same number of bytes
// durably from memory (write, fsync, rename, as the writer does) in the same run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchFiles.h"
#include "common/StagedFile.h"
#include "export/CsvWriter.h"
#include "wavefile/CWaveFile.h"

namespace {

constexpr int kTraces = 4;
constexpr int64_t kSamples = int64_t{4} << 20;

const std::string& Record() {
    static const kivelo::bench::ScratchRecord record(kTraces, kSamples);
    return record.Path();
}

std::string OutputPath(const char* name) { return (std::filesystem::path(Record()).parent_path() / name).string(); }

int64_t LastCsvSize = 0;  // bytes of the writer's output, for the durable-write twin

void BM_CsvWriter(benchmark::State& state) {
    kivelo::CWaveFile file(Record(), 65536);
    if (!file.IsOpen()) {
        state.SkipWithError("open failed");
        return;
    }
    const std::string out = OutputPath("out.csv");
    kivelo::CsvRequest request;
    request.count = static_cast<int32_t>(kSamples);
    request.threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        kivelo::CsvWriter writer;
        if (writer.Write(file, out, request) != -1) {
            state.SkipWithError(writer.Message().c_str());
            return;
        }
    }
    LastCsvSize = static_cast<int64_t>(std::filesystem::file_size(out));
    state.SetBytesProcessed(state.iterations() * LastCsvSize);
    state.counters["csv_MB"] = static_cast<double>(LastCsvSize) / 1e6;
    state.counters["peak_rss_MB"] = kivelo::bench::PeakRssMb();
}

// The CLI beside this benchmark binary, on the same record.
void BM_CliCsv(benchmark::State& state) {
    const std::filesystem::path cli = std::filesystem::canonical("/proc/self/exe").parent_path() / "kivelo-cli";
    const std::string out = OutputPath("cli.csv");
    const std::string command = cli.string() + " csv " + Record() + " -o " + out + " --force --threads " +
                                std::to_string(state.range(0)) + " > /dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("kivelo-cli csv failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(out)));
}

void BM_DurableWriteSameBytes(benchmark::State& state) {
    const int64_t size = LastCsvSize > 0 ? LastCsvSize : int64_t{122} << 20;
    std::vector<char> bytes(static_cast<std::size_t>(size), '7');
    const std::string out = OutputPath("memory.csv");
    for (auto _ : state) {
        kivelo::StagedFile file;
        if (!file.Create(out, kivelo::StagedFile::Existing::Replace) ||
            !file.Append(std::string_view(bytes.data(), bytes.size())) || !file.Commit()) {
            state.SkipWithError(file.Error().c_str());
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * size);
}

}  // namespace

BENCHMARK(BM_CsvWriter)->Arg(1)->Arg(2)->ArgName("threads")->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_CliCsv)->Arg(1)->Arg(2)->ArgName("threads")->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_DurableWriteSameBytes)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

BENCHMARK_MAIN();
