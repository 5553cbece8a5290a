// kivelo-cli spectrum: the amplitude spectrum of a span of one trace as CSV.
#include <sys/stat.h>
#include <algorithm>
#include <cstdio>

#include "CliArgs.h"
#include "CliEnvironment.h"
#include "analysis/AmplitudeBins.h"
#include "wavefile/WaveDocument.h"

namespace kivelo::cli {

namespace {

const char kHelp[] =
    "Usage: kivelo-cli spectrum FILE --trace Wn -o OUT.csv [--block N] [--first N] [--count N]\n"
    "                          [--window rect|hann|flattop] [--force]\n"
    "Writes the single-sided amplitude spectrum of samples first .. first+count-1 of block N\n"
    "of trace Wn of FILE (.wvf, .rtm or .fld): one line per bin from 0 Hz, with the amplitude in\n"
    "the trace's unit (a sine on a bin shows its peak amplitude, a constant its value) and its\n"
    "level in dB. Spans of up to 16777216 samples are transformed whole; longer ones give the\n"
    "mean of 1048576-sample segments overlapping by half (the first line then ends in ,welch).\n"
    "  --trace Wn     the trace (W1 ..)\n"
    "  -o OUT.csv     the CSV file to write\n"
    "  --block N      block (record) index, from 0\n"
    "  --first N      first sample (default 0)\n"
    "  --count N      number of samples (default: to the end of the record)\n"
    "  --window W     rect, hann (default) or flattop\n"
    "  --force        replace an existing OUT.csv\n"
    "Exit codes: 0 written, 1 failure, 2 usage error, 3 OUT.csv exists.\n";

}  // namespace

int RunSpectrum(int argc, char** argv) {
    // clang-format off
    CliArgs args({{"--trace", true}, {"-o", true}, {"--block", true}, {"--first", true}, {"--count", true},
                  {"--window", true}, {"--force", false}});
    // clang-format on
    int exitCode = kExitOk;
    if (!args.ParseCommand(argc, argv, "spectrum", kHelp, "FILE", exitCode)) return exitCode;
    const std::string* output = args.Value("-o");
    if (output == nullptr || output->empty()) return UsageError("spectrum", "missing -o OUT.csv");
    const std::string* traceText = args.Value("--trace");
    int trace = 0;
    if (traceText == nullptr) return UsageError("spectrum", "missing --trace Wn");
    if (!ParseTraceLabel(*traceText, trace))
        return UsageError("spectrum", "--trace needs a trace label such as W1, not '" + *traceText + "'");
    SpectrumWindow window = SpectrumWindow::Hann;
    if (const std::string* w = args.Value("--window"); w != nullptr && !ParseSpectrumWindow(*w, window))
        return UsageError("spectrum", "--window needs rect, hann or flattop, not '" + *w + "'");
    int64_t block = 0, first = 0, count = 0;
    if (!args.SpanValues(0, 1, block, first, count)) return UsageError("spectrum", args.Error());

    const bool force = args.Has("--force");
    struct stat st {};
    if (!force && ::lstat(output->c_str(), &st) == 0) return Report("File already exists.", kExitExists);

    std::string error;
    auto file = OpenWaveFileAt(args.Positional()[0], 0, error, ReaderOptions());
    if (!file) return Report(error);
    // The engine says what the file cannot give; the record's length is only for the default count.
    int64_t size = 0;
    if (block < file->GetBlockNumber() && trace < file->GetTraceTotalNumber()) {
        size = file->GetBlockSize(static_cast<int>(block), trace);
    }
    if (!args.Has("--count")) count = std::max<int64_t>(size - first, 1);

    Spectrum spectrum;
    if (!ComputeSpectrum(*file, static_cast<int>(block), trace, first, count, window, spectrum, error))
        return Report(error);
    TraceInfo info;
    file->GetTraceInfo(trace, info);
    const auto written = WriteSpectrumCsv(*output, spectrum, info.VUnit, force);
    if (!written.Ok())
        return Report(written.message, written.code == SpectrumCsvCode::Exists ? kExitExists : kExitFailure);
    std::printf("Spectrum written to %s\n", output->c_str());
    return kExitOk;
}

}  // namespace kivelo::cli
