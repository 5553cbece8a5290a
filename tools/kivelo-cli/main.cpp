// kivelo-cli: waveform files and instruments from the command line.
#include <cstdio>
#include <string_view>

#include "CliArgs.h"
#include "CliFullProgram.h"

namespace kivelo::cli {

// One function per command, each in its own CmdX.cpp.
int RunInfo(int argc, char** argv);
int RunCsv(int argc, char** argv);
#ifdef KIVELO_CLI_RENDER
int RunRender(int argc, char** argv);
int RunPrint(int argc, char** argv);
#endif
int RunConvert(int argc, char** argv);
int RunDownload(int argc, char** argv);
int RunRemote(int argc, char** argv);
int RunMeasure(int argc, char** argv);
int RunSpectrum(int argc, char** argv);
int RunExport(int argc, char** argv);

namespace {

// kivelo-cli runs the commands marked Full in kivelo-cli-full (see CliFullProgram.h).
#ifdef KIVELO_CLI_QUICK
#define Full(run) nullptr
#else
#define Full(run) run
#endif

struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* summary;
};

constexpr Command kCommands[] = {
    {"info", RunInfo, "show the traces, blocks and time base of a waveform file"},
    {"csv", RunCsv, "write one block of a waveform file as CSV"},
#ifdef KIVELO_CLI_RENDER
    {"render", Full(RunRender), "draw the display windows of a waveform file as .bmp or .png"},
    {"print", Full(RunPrint), "write the printed page of a waveform file as a one-page PDF"},
#endif
    {"convert", RunConvert, "convert a realtime file to a .wvf/.hdr pair"},
    {"download", RunDownload, "fetch an instrument's records into a .wvf/.hdr pair"},
    {"remote", RunRemote, "send one remote-control command line to an instrument"},
    {"measure", RunMeasure, "measure min, max, mean, rms, frequency, ... of a span of a record"},
    {"spectrum", RunSpectrum, "write the amplitude spectrum of a span of one trace as CSV"},
    {"export", Full(RunExport), "write traces as HDF5, a sigrok session, VCD, WAV or CSV with time"},
};

void PrintUsage(std::FILE* out) {
    std::fputs(
        "Usage: kivelo-cli COMMAND [ARGS...]   (kivelo-cli COMMAND --help for more)\n"
        "Commands:\n",
        out);
    for (const Command& c : kCommands) std::fprintf(out, "  %-10s %s\n", c.name, c.summary);
    std::fputs(
        "Exit codes: 0 ok, 1 failure, 2 usage error, 3 the output file exists (csv, print,\n"
        "download, spectrum, export), 4 download interrupted, 5 converted file exists.\n",
        out);
}

}  // namespace

int Main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    std::string_view name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintUsage(stdout);
        return kExitOk;
    }
    for (const Command& c : kCommands)
        if (name == c.name) return c.run != nullptr ? c.run(argc - 1, argv + 1) : RunFullProgram(argv);
    std::fprintf(stderr, "kivelo-cli: unknown command '%s' (see kivelo-cli --help)\n", argv[1]);
    return kExitUsage;
}

}  // namespace kivelo::cli

int main(int argc, char** argv) { return kivelo::cli::Main(argc, argv); }
