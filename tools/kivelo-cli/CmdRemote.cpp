// kivelo-cli remote: send one remote-control command line to the recorder.
#include <cstdio>
#include <memory>
#include <string>

#include "CliArgs.h"
#include "CliEnvironment.h"
#include "instrument/download/CommConnection.h"
#include "instrument/download/CommTarget.h"
#include "instrument/download/DownloadFlow.h"
#include "instrument/download/DownloadResult.h"
#include "instrument/download/RemoteControl.h"
#include "port/CWireLog.h"
#include "port/PortTable.h"

namespace kivelo::cli {

bool ParseCommTarget(CliArgs& args, const char* command, CommTarget& target, int& exitCode);
std::unique_ptr<CWireLog> StartCommLog(PortTable& ports);

namespace {

const char kHelp[] =
    "Usage: kivelo-cli remote (--gpib ADDR | --serial DEVICE | --com 1|2) TEXT\n"
    "Sends TEXT as one command line to the instrument and reads no answer, e.g.\n"
    "START, SSTART, LSTART, STOP, HCOPY:EXEC, FILE:SAVE:WAVEFORM:EXEC,\n"
    "'FILE:SAVE:SETUP:NAME \"TEST1\"'.\n"
    "KIVELO_COMM_LOG=FILE appends the command line, with its time, to FILE.\n"
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

    PortTable ports(PortTableOptions());
    const std::unique_ptr<CWireLog> log = StartCommLog(ports);
    const int result = SendRemoteCommand(SelectPort(ports, target), target, args.Positional()[0]);
    if (result != kDownloadOk) return Report(MessageOnOneLine(NoResponseText(ports, target, target)));
    return kExitOk;
}

}  // namespace kivelo::cli
