// qvsim: a simulated QV instrument on a pseudo-terminal.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "CPtyServer.h"
#include "CQvSimulator.h"
#include "SimConfig.h"

using namespace kivelo::qvsim;

namespace {

void Usage(std::FILE* to) {
    std::fprintf(to,
                 "usage: qvsim --family qv8|qv43|qv60|qv31 [--model M] [--channels N|LIST] [--length N]\n"
                 "             [--records N] [--modules LIST] [--log FILE] [--fault KIND[:N]] [--rate HZ]\n"
                 "             [--date YYYY/MM/DD] [--time hh:mm:ss] [--time-step S] [--no-stamps]\n"
                 "             [--ext-clock] [--firmware XXXXX] [--exit-after N] --pty\n"
                 "faults: none stall short long header lf mute garbage unplug overrun underrun; QVSIM_* variables give "
                 "defaults\n");
}

bool IsSetting(std::string_view name) {
    for (auto s : SettingNames())
        if (s == name) return true;
    return false;
}

// Stdin ends the simulator only when it is a pipe, or the terminal of a
// foreground run: a run with stdin on /dev/null, or started in the background
// of a shell, keeps serving.
bool StdinWatchable() {
    struct stat st {};
    if (::isatty(STDIN_FILENO)) return ::tcgetpgrp(STDIN_FILENO) == ::getpgrp();
    return ::fstat(STDIN_FILENO, &st) == 0 && S_ISFIFO(st.st_mode);
}

}  // namespace

int main(int argc, char** argv) {
    SimConfig config;
    if (auto error = ApplyEnvironment(config); !error.empty()) {
        std::fprintf(stderr, "qvsim: %s\n", error.c_str());
        return 2;
    }
    bool familyGiven = std::getenv("QVSIM_FAMILY") != nullptr;
    bool pty = false;
    long exitAfter = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        std::string error;
        if (arg == "--help" || arg == "-h") {
            Usage(stdout);
            return 0;
        } else if (arg == "--pty") {
            pty = true;
        } else if (arg == "--no-stamps") {
            error = ApplySetting(config, "stamps", "0");
        } else if (arg == "--ext-clock") {
            error = ApplySetting(config, "ext-clock", "1");
        } else if (arg.starts_with("--") && i + 1 < argc && arg == "--exit-after") {
            char* end = nullptr;
            exitAfter = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || exitAfter < 0) error = "exit-after must be a count";
        } else if (arg.starts_with("--") && IsSetting(arg.substr(2)) && i + 1 < argc) {
            error = ApplySetting(config, arg.substr(2), argv[++i]);
            familyGiven = familyGiven || arg == "--family";
        } else {
            error = "unknown or incomplete option " + std::string(arg);
        }
        // clang-format off
    if (!error.empty()) {
      std::fprintf(stderr, "qvsim: %s\n", error.c_str());
      Usage(stderr);
      return 2;
            // clang-format on
        }
    }
    if (auto error = Finalize(config, familyGiven); !error.empty()) {
        std::fprintf(stderr, "qvsim: %s\n", error.c_str());
        return 2;
    }
    if (!pty) {
        std::fprintf(stderr, "qvsim: --pty is the only front end of this program\n");
        Usage(stderr);
        return 2;
    }
    CQvSimulator instrument(config);
    CPtyServer server(instrument);
    if (auto error = server.Open(); !error.empty()) {
        std::fprintf(stderr, "qvsim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", server.SlavePath().c_str());
    std::fflush(stdout);
    return server.Serve(exitAfter, StdinWatchable());
}
