// kivelo-cli info: what a waveform file holds.
#include <cstdio>
#include <string>

#include "CliArgs.h"
#include "CliEnvironment.h"
#include "wavefile/NumberText.h"
#include "wavefile/WaveDocument.h"

namespace kivelo::cli {

namespace {

const char kHelp[] =
    "Usage: kivelo-cli info FILE\n"
    "Shows the model, the traces (name, unit, kind, width, VResolution, VOffset), the\n"
    "blocks with their sizes, dates and times, and the time base of FILE (.wvf, .rtm or .fld).\n";

const char* KindName(int kind) {
    switch (kind) {
    case kKindSigned: return "signed";
    case kKindFloat: return "float";
    case kKindBit: return "bit";
    case kKindUnsigned: return "unsigned";
    default: return "unrecognised";
    }
}

std::string Number(double v) { return FormatCrt("%.10G", v); }

}  // namespace

int RunInfo(int argc, char** argv) {
    CliArgs args({});
    int exitCode = kExitOk;
    if (!args.ParseCommand(argc, argv, "info", kHelp, "FILE", exitCode)) return exitCode;
    const std::string& path = args.Positional()[0];
    std::string error;
    auto file = OpenWaveFileAt(path, 0, error, ReaderOptions());
    if (!file) return Report(error);
    // Said before the listing: the sizes below are the header's, not what the file holds.
    if (const std::string warning = file->GetShortDataWarning(); !warning.empty())
        std::fprintf(stderr, "kivelo-cli info: warning: %s\n", warning.c_str());

    std::string model;
    file->GetModel(model);
    std::printf("File         %s\nModel        %s\n", path.c_str(), model.c_str());

    int traces = file->GetTraceTotalNumber();
    std::printf("Traces       %d\n", traces);
    for (int t = 0; t < traces; ++t) {
        TraceInfo info;
        file->GetTraceInfo(t, info);
        std::printf(
            "  W%-3d name \"%s\"  unit \"%s\"  kind %s  width %d  VResolution %s  "
            "VOffset %s\n",
            t + 1, info.TraceName.c_str(), info.VUnit.c_str(), KindName(info.DataKind), info.DataWidth,
            Number(info.VResolution).c_str(), Number(info.VOffset).c_str());
    }

    int blocks = file->GetBlockNumber();
    std::printf("Blocks       %d\n", blocks);
    for (int b = 0; b < blocks; ++b) {
        std::string date, time;
        file->GetDateTime(b, date, time);
        std::printf("  block %-4d date \"%s\"  time \"%s\"  sizes", b, date.c_str(), time.c_str());
        // Asked of the file itself: a floating file's trace record carries no sizes.
        for (int t = 0; t < traces; ++t) std::printf(" %d", file->GetBlockSize(b, t));
        std::printf("\n");
    }

    HorzInfo horz;
    file->GetHorzInfo(horz);
    std::printf("HResolution  %s\nHOffset      %s\nHUnit        %s\n", Number(horz.HResolution).c_str(),
                Number(horz.HOffset).c_str(), horz.HUnit.c_str());
    return kExitOk;
}

}  // namespace kivelo::cli
