// kivelo-cli remote: send one remote-control command line to the recorder.
#include <cstdio>
#include <string>

#include "CliArgs.h"
#include "instrument/download/CommConnection.h"
#include "instrument/download/CommTarget.h"
#include "instrument/download/DownloadResult.h"
#include "instrument/download/RemoteControl.h"
#include "port/PortTable.h"

namespace kivelo::cli {

bool ParseCommTarget(CliArgs& args, const char* command, CommTarget& target, int& exitCode);

namespace {

const char kHelp[] =
    "Usage: kivelo-cli remote (--gpib ADDR | --serial DEVICE | --com 1|2) TEXT\n"
    "Sends TEXT as one command line to the instrument and reads no answer, e.g.\n"
    "START, SSTART, LSTART, STOP, HCOPY:EXEC, FILE:SAVE:WAVEFORM:EXEC,\n"
    "'FILE:SAVE:SETUP:NAME \"TEST1\"'.\n"
    "Exit codes: 0 sent, 1 no response, 2 usage error.\n";

}  // namespace

int RunRemote(int argc, char** argv) {
    CliArgs args({{"--gpib", true}, {"--serial", true}, {"--com", true}});
    if (!args.Parse(argc, argv)) return UsageError("remote", args.Error());
    if (args.HelpAsked()) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    CommTarget target;
    int exitCode = kExitOk;
    if (!ParseCommTarget(args, "remote", target, exitCode)) return exitCode;
    if (args.Positional().size() != 1 || args.Positional()[0].empty())
        return UsageError("remote", "give exactly one command TEXT");

    PortTable ports;
    const int result = SendRemoteCommand(SelectPort(ports, target), target, args.Positional()[0]);
    if (result != kDownloadOk) return Report(MessageOnOneLine(DownloadResultMessage(result, target)));
    return kExitOk;
}

}  // namespace kivelo::cli
