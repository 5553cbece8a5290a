// HDF5 and WAV export of a 2 GiB record (4 float traces of 128M samples: the WAV
// of it fits the format's 4 GiB) beside a durable write (write, fsync, rename)
// of the same number of bytes from memory, in the same run. KIVELO_EXPORT_BENCH_MB
// chooses a smaller record. The scratch folder goes away at the end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "BenchFiles.h"
#include "Wavegen.h"
#include "common/StagedFile.h"
#include "common/UniqueFd.h"
#include "export/Exporter.h"
#include "wavefile/WaveDocument.h"

namespace {

constexpr int kTraces = 4;

int64_t RecordMb() {
    const char* mb = std::getenv("KIVELO_EXPORT_BENCH_MB");
    const int64_t value = mb != nullptr ? std::atoll(mb) : 0;
    return value > 0 ? value : 2048;
}

class FloatRecord {
public:
    FloatRecord() : dir_("kivelo-bench-export-") {
        kivelo::wavegen::WvfDesc desc;
        desc.traces = kivelo::wavegen::MakeTraces(kTraces, "FS4", kivelo::wavegen::Signal::Sine, 4096);
        desc.samples = (RecordMb() << 20) / (kTraces * 4);
        desc.header.hResolution = 1e-6;
        path_ = dir_.File("bench.wvf");
        if (!kivelo::wavegen::WriteWvf(path_, desc).ok) std::abort();
        // On the disk before the first measurement, so that its writeback does not
        // share the disk with the first export.
        kivelo::UniqueFd fd(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
        if (!fd.IsOpen() || ::fsync(fd.Get()) != 0) std::abort();
        kivelo::bench::WarmPageCache(path_);
        // One export before the measured ones: the first write of this size makes
        // the machine find room in its page cache, which no later one pays for.
        std::string error;
        auto file = kivelo::OpenWaveFileAt(path_, 65536, error);
        kivelo::ExportRequest request;
        if (!file || !kivelo::Exporter().Write(*file, Out("warm.wav"), request).Ok()) std::abort();
        std::filesystem::remove(Out("warm.wav"));
    }
    const std::string& Path() const { return path_; }
    std::string Out(const char* name) const { return dir_.File(name); }

private:
    kivelo::TempDir dir_;
    std::string path_;
};

const FloatRecord& Record() {
    static const FloatRecord record;
    return record;
}

int64_t OutputBytes[2] = {0, 0};  // of the HDF5 and the WAV export, for the durable writes

void Export(benchmark::State& state, const char* name, int slot) {
    std::string error;
    auto file = kivelo::OpenWaveFileAt(Record().Path(), 65536, error);
    if (!file) {
        state.SkipWithError(error.c_str());
        return;
    }
    const std::string out = Record().Out(name);
    kivelo::ExportRequest request;
    request.replace = true;
    for (auto _ : state) {
        const auto result = kivelo::Exporter().Write(*file, out, request);
        if (!result.Ok()) {
            state.SkipWithError(result.message.c_str());
            return;
        }
    }
    OutputBytes[slot] = static_cast<int64_t>(std::filesystem::file_size(out));
    std::filesystem::remove(out);
    state.SetBytesProcessed(state.iterations() * OutputBytes[slot]);
    state.counters["output_MB"] = static_cast<double>(OutputBytes[slot]) / 1e6;
    state.counters["peak_rss_MB"] = kivelo::bench::PeakRssMb();
}

void BM_ExportHdf5(benchmark::State& state) { Export(state, "out.h5", 0); }
void BM_ExportWav(benchmark::State& state) { Export(state, "out.wav", 1); }

// The same number of bytes as export `slot` wrote, from a 1 MB buffer, made durable.
void BM_DurableWriteSameBytes(benchmark::State& state) {
    const int64_t size = OutputBytes[state.range(0)];
    if (size == 0) {
        state.SkipWithError("the export before it did not run");
        return;
    }
    std::vector<char> bytes(std::size_t{1} << 20, '7');
    const std::string out = Record().Out("memory.bin");
    for (auto _ : state) {
        kivelo::StagedFile file;
        bool ok = file.Create(out, kivelo::StagedFile::Existing::Replace);
        for (int64_t left = size; ok && left > 0; left -= static_cast<int64_t>(bytes.size()))
            ok = file.Append(std::string_view(
                bytes.data(), static_cast<std::size_t>(std::min<int64_t>(left, static_cast<int64_t>(bytes.size())))));
        if (!ok || !file.Commit()) {
            state.SkipWithError(file.Error().c_str());
            return;
        }
    }
    std::filesystem::remove(out);
    state.SetBytesProcessed(state.iterations() * size);
}

}  // namespace

BENCHMARK(BM_ExportHdf5)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_DurableWriteSameBytes)
    ->Arg(0)
    ->ArgName("as_hdf5")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK(BM_ExportWav)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_DurableWriteSameBytes)
    ->Arg(1)
    ->ArgName("as_wav")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("cores", std::to_string(std::thread::hardware_concurrency()));
    benchmark::AddCustomContext("record_MB", std::to_string(RecordMb()));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
