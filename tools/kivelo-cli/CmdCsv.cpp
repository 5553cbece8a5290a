// kivelo-cli csv: one block of a waveform file as CSV.
#include <sys/stat.h>
#include <cstdio>

#include "CliArgs.h"
#include "CliEnvironment.h"
#include "export/CsvWriter.h"
#include "wavefile/WaveDocument.h"

namespace kivelo::cli {

namespace {

constexpr int64_t kCsvCache = 65536;
const char kHelp[] =
    "Usage: kivelo-cli csv FILE -o OUT.csv [--block N] [--first N] [--count N] [--threads N]\n"
    "                     [--force]\n"
    "Writes samples first .. first+count-1 of block N (default 0) of every trace of FILE\n"
    "(.wvf, .rtm or .fld) as comma-separated values. By default the whole block.\n"
    "  -o OUT.csv   the CSV file to write\n"
    "  --block N    block (record) index, from 0\n"
    "  --first N    first sample (default 0)\n"
    "  --count N    number of samples (default: to the end of the block)\n"
    "  --threads N  1: one thread; 2: the rows are written on a second thread\n"
    "               (default: a second thread when a second processor is free)\n"
    "  --force      replace an existing OUT.csv\n"
    "Exit codes: 0 written, 1 failure, 2 usage error, 3 OUT.csv exists.\n";

}  // namespace

int RunCsv(int argc, char** argv) {
    // clang-format off
    CliArgs args({{"-o", true}, {"--block", true}, {"--first", true}, {"--count", true},
                  {"--threads", true}, {"--force", false}});
    // clang-format on
    int exitCode = kExitOk;
    if (!args.ParseCommand(argc, argv, "csv", kHelp, "FILE", exitCode)) return exitCode;
    const std::string* output = args.Value("-o");
    if (output == nullptr || output->empty()) return UsageError("csv", "missing -o OUT.csv");
    int64_t block = 0, first = 0, count = 0, threads = 0;
    if (!args.SpanValues(-1, 0, block, first, count) || !args.IntValue("--threads", 0, 1, 2, threads))
        return UsageError("csv", args.Error());

    struct stat st {};
    if (!args.Has("--force") && ::lstat(output->c_str(), &st) == 0) return Report("File already exists.", kExitExists);

    std::string error;
    auto file = OpenWaveFileAt(args.Positional()[0], kCsvCache, error, ReaderOptions());
    if (!file) return Report(error);
    if (block >= file->GetBlockNumber())
        return UsageError("csv", "the file has no block " + std::to_string(block) + " (it has " +
                                     std::to_string(file->GetBlockNumber()) + ")");
    int64_t size = file->GetBlockSize(static_cast<int>(block), 0);
    if (first > size)
        return UsageError(
            "csv", "--first " + std::to_string(first) + " is beyond the block's " + std::to_string(size) + " samples");
    if (!args.Has("--count")) count = size - first;
    if (first + count > size)
        return UsageError("csv", "--first and --count run past the block's " + std::to_string(size) + " samples");

    CsvRequest request;
    request.first = static_cast<int32_t>(first);
    request.count = static_cast<int32_t>(count);
    request.block = static_cast<int32_t>(block);
    request.threads = static_cast<int>(threads);
    CsvWriter writer;
    if (writer.Write(*file, *output, request) != CsvWriter::kWritten) return Report(writer.Message());
    std::printf("CSV written to %s\n", output->c_str());
    return kExitOk;
}

}  // namespace kivelo::cli
