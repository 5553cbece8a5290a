// kivelo-cli export: traces and records of a waveform file as HDF5, a sigrok
// session, VCD, WAV or CSV with a time column, chosen by the output's ending.
#include <sys/stat.h>

#include <cstdio>
#include <limits>

#include "CliArgs.h"
#include "CliEnvironment.h"
#include "export/ExportFormats.h"
#include "export/Exporter.h"
#include "wavefile/TraceList.h"
#include "wavefile/WaveDocument.h"

namespace kivelo::cli {

namespace {

constexpr int64_t kExportCache = 65536;
constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();

const char kHelp[] =
    "Usage: kivelo-cli export FILE -o OUT [--block N | --all-blocks] [--traces W1,W3,...]\n"
    "                        [--first N] [--count N] [--force]\n"
    "Writes traces of FILE (.wvf, .rtm or .fld) in the format OUT's ending names:\n"
    "  .h5, .hdf5   HDF5: a group per trace (/W1), a dataset of raw samples per record\n"
    "               (/W1/block0), with the scaling and time base as attributes\n"
    "  .sr          sigrok session (PulseView, sigrok-cli): analog channels of physical\n"
    "               values, logic traces one channel per bit\n"
    "  .vcd         value change dump (GTKWave): logic wires and real variables\n"
    "  .wav         WAV, one 32-bit float channel per trace, rate 1 / HResolution\n"
    "  .csv         CSV with a time column: time in seconds, then one column per trace\n"
    "The output appears only when complete.\n"
    "  -o OUT         the file to write\n"
    "  --block N      the record to write, from 0 (default 0)\n"
    "  --all-blocks   every record (HDF5 only; the other formats hold one record)\n"
    "  --traces LIST  the traces to write, by label (W1,W3) or name (default: all)\n"
    "  --first N      first sample (default 0)\n"
    "  --count N      number of samples (default: to the end of the record)\n"
    "  --force        replace an existing OUT\n"
    "Exit codes: 0 written, 1 failure, 2 usage error or unknown ending, 3 OUT exists.\n";

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int RunExport(int argc, char** argv) {
    // clang-format off
    CliArgs args({{"-o", true}, {"--block", true}, {"--all-blocks", false}, {"--traces", true},
                  {"--first", true}, {"--count", true}, {"--force", false}});
    // clang-format on
    int exitCode = kExitOk;
    if (!args.ParseCommand(argc, argv, "export", kHelp, "FILE", exitCode)) return exitCode;
    const std::string* output = args.Value("-o");
    if (output == nullptr || output->empty()) return UsageError("export", "missing -o OUT");
    int64_t block = 0, first = 0, count = -1;
    if (!args.IntValue("--block", 0, 0, std::numeric_limits<int>::max(), block) ||
        !args.IntValue("--first", 0, 0, kInt64Max, first) || !args.IntValue("--count", -1, 0, kInt64Max, count))
        return UsageError("export", args.Error());
    if (args.Has("--block") && args.Has("--all-blocks"))
        return UsageError("export", "give --block N or --all-blocks, not both");
    if (ExportFormatOfPath(*output) == nullptr)
        return UsageError("export",
                          "unknown format of " + *output + " (the name must end in " + ExportEndingsText() + ")");
    struct stat st {};
    if (!args.Has("--force") && ::lstat(output->c_str(), &st) == 0) return Report("File already exists.", kExitExists);

    const std::string& source = args.Positional()[0];
    std::string error;
    auto file = OpenWaveFileAt(source, kExportCache, error, ReaderOptions());
    if (!file) return Report(error);

    ExportRequest request;
    request.first = first;
    request.count = count;
    request.replace = args.Has("--force");
    request.sourceName = BaseName(source);
    if (const std::string* list = args.Value("--traces"))
        if (!ParseTraceList(RecordSamples(*file).Traces(), *list, request.traces, error))
            return UsageError("export", error);
    if (args.Has("--all-blocks"))
        for (int b = 0; b < file->GetBlockNumber(); ++b) request.blocks.push_back(b);
    else request.blocks.push_back(static_cast<int>(block));

    Exporter exporter;
    const Outcome<ExportCode> result = exporter.Write(*file, *output, request);
    switch (result.code) {
    case ExportCode::Ok: break;
    case ExportCode::UnknownFormat:
    case ExportCode::BadRequest: return UsageError("export", result.message);
    case ExportCode::Exists: return Report(result.message, kExitExists);
    case ExportCode::Failed:
    case ExportCode::Cancelled: return Report(result.message);
    }
    std::printf("Exported to %s\n", output->c_str());
    return kExitOk;
}

}  // namespace kivelo::cli
