// kivelo-cli download: fetch the records of a connected instrument into a
// .wvf/.hdr pair.
#include <poll.h>
#include <unistd.h>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "CliArgs.h"
#include "CliEnvironment.h"
#include "instrument/download/CancelOnSignal.h"
#include "instrument/download/CommTarget.h"
#include "instrument/download/DownloadFlow.h"
#include "instrument/download/DownloadOutput.h"
#include "instrument/download/DownloadResult.h"
#include "port/CWireLog.h"
#include "port/PortTable.h"

namespace kivelo::cli {

namespace {

const char kHelp[] =
    "Usage: kivelo-cli download (--gpib ADDR | --serial DEVICE | --com 1|2) -o OUT.wvf [--yes]\n"
    "Asks the instrument what it holds, shows the model, channel count, record length and\n"
    "time estimate, asks for confirmation on stdin (unless --yes), then fetches every trace\n"
    "and record into OUT.wvf and its header OUT.hdr. Existing files are never replaced.\n"
    "  --gpib ADDR     GPIB primary address 1..30 (library: $KIVELO_GPIB_LIBRARY)\n"
    "  --serial DEVICE RS-232 on a terminal device, 19200 8N1 with CTS flow control\n"
    "  --com 1|2       RS-232 on COM1 / COM2 ($KIVELO_COM1 / $KIVELO_COM2, else /dev/ttyS0/1)\n"
    "Ctrl-C stops a running transfer and removes what was written.\n"
    "KIVELO_COMM_LOG=FILE appends every command and answer, with times, to FILE.\n"
    "Exit codes: 0 both files complete, 1 failure or declined, 2 usage error,\n"
    "3 output exists, 4 interrupted.\n";

constexpr int kExitInterrupted = 4;

// Reads one answer line from stdin; gives up when a cancel arrives meanwhile.
bool Confirmed(const std::atomic<bool>& cancel) {
    std::fputs("Download? [y/N] ", stdout);
    std::fflush(stdout);
    std::string answer;
    for (;;) {
        pollfd in{STDIN_FILENO, POLLIN, 0};
        const int ready = poll(&in, 1, 100);
        if (cancel) return false;
        if (ready <= 0) continue;
        char c = 0;
        if (read(STDIN_FILENO, &c, 1) != 1 || c == '\n') break;
        if (c != '\r' && c != ' ') answer += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return answer == "y" || answer == "yes";
}

class ProgressLine {
public:
    void operator()(int64_t done, int64_t total) {
        const int percent =
            total > 0 ? static_cast<int>(100.0 * static_cast<double>(done) / static_cast<double>(total)) : 100;
        if (percent == shown_) return;
        shown_ = percent;
        std::fprintf(stderr, "\rDownloading ... %3d%%", percent);
        std::fflush(stderr);
    }
    // Ends the line so that what follows starts on its own.
    void Finish() {
        if (shown_ >= 0) std::fputc('\n', stderr);
        shown_ = -1;
    }

private:
    int shown_ = -1;
};

// The terminal's side of the download flow: the question on stdin, the name
// from the command line, a progress line on stderr.
class TerminalDownload final : public DownloadCallbacks {
public:
    TerminalDownload(std::string base, bool ask, const std::atomic<bool>& cancel)
        : base_(std::move(base)), ask_(ask), cancel_(cancel) {}

    bool ConfirmEstimate(const std::string& question) override {
        std::printf("%s\n", question.c_str());
        std::fflush(stdout);
        return !ask_ || Confirmed(cancel_);
    }
    std::optional<std::string> ChooseBase() override { return base_; }
    void Progress(int64_t done, int64_t total, const DownloadPlan&) override { progress_(done, total); }
    void FinishProgress() { progress_.Finish(); }

private:
    std::string base_;
    bool ask_;
    const std::atomic<bool>& cancel_;
    ProgressLine progress_;
};

}  // namespace

// Shared with the remote command: the wire log that $KIVELO_COMM_LOG asks for,
// set on every port of the table (null when there is none).
std::unique_ptr<CWireLog> StartCommLog(PortTable& ports) {
    const char* path = std::getenv("KIVELO_COMM_LOG");
    if (path == nullptr || *path == '\0') return nullptr;
    auto log = std::make_unique<CWireLog>(path);
    if (!log->Ok()) {
        std::fprintf(stderr, "kivelo-cli: the communication log %s cannot be written\n", path);
        return nullptr;
    }
    ports.SetWireLog(log.get());
    return log;
}

// Shared with the remote command: exactly one of --gpib, --serial, --com.
bool ParseCommTarget(CliArgs& args, const char* command, CommTarget& target, int& exitCode) {
    const int given = args.Has("--gpib") + args.Has("--serial") + args.Has("--com");
    if (given != 1) {
        exitCode = UsageError(command, "give exactly one of --gpib, --serial, --com");
        return false;
    }
    int64_t number = 0;
    if (args.Has("--gpib")) {
        if (!args.IntValue("--gpib", 0, 1, 30, number)) {
            exitCode = UsageError(command, "--gpib takes an address from 1 to 30");
            return false;
        }
        target = CommTarget{static_cast<int32_t>(number), {}};
    } else if (args.Has("--com")) {
        if (!args.IntValue("--com", 0, 1, 2, number)) {
            exitCode = UsageError(command, "--com takes 1 or 2");
            return false;
        }
        CommSettings settings;
        settings.useGpib = 0;
        settings.serialPort = static_cast<int32_t>(number);
        target = CommTarget::FromSettings(settings);
    } else {
        const std::string* device = args.Value("--serial");
        if (device == nullptr || device->empty()) {
            exitCode = UsageError(command, "--serial takes a device path");
            return false;
        }
        target = CommTarget{static_cast<int32_t>(kSerialWordCom1), *device};
    }
    return true;
}

int RunDownload(int argc, char** argv) {
    CliArgs args({{"--gpib", true}, {"--serial", true}, {"--com", true}, {"-o", true}, {"--yes", false}});
    if (!args.Parse(argc, argv)) return UsageError("download", args.Error());
    if (args.HelpAsked()) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    CommTarget target;
    int exitCode = kExitOk;
    if (!ParseCommTarget(args, "download", target, exitCode)) return exitCode;
    if (!args.Positional().empty()) return UsageError("download", "unexpected argument '" + args.Positional()[0] + "'");
    const std::string* out = args.Value("-o");
    if (out == nullptr || out->size() <= 4 || !EndsWithNoCase(*out, ".wvf"))
        return UsageError("download", "give the output as -o OUT.wvf");
    const std::string base = out->substr(0, out->size() - 4);
    // Said before the instrument is asked anything: the name is known already.
    if (const std::string existing = ExistingOutput(base); !existing.empty())
        return Report(std::string(kCannotSaveText) + " " + existing + " already exists", kExitExists);

    std::atomic<bool> cancel{false};
    CancelOnSignal interrupt(cancel);
    PortTable ports(PortTableOptions());
    const std::unique_ptr<CWireLog> log = StartCommLog(ports);
    TerminalDownload terminal(base, !args.Has("--yes"), cancel);
    DownloadFlowOptions options;
    options.shownAs = target;
    const DownloadOutcome outcome = RunDownloadFlow(ports, target, terminal, cancel, options);
    terminal.FinishProgress();
    switch (outcome.status) {
    case DownloadOutcome::Status::kSaved:
        std::printf("Saved %s and %s\n", DownloadOutput::DataPath(base).c_str(),
                    DownloadOutput::HeaderPath(base).c_str());
        return kExitOk;
    case DownloadOutcome::Status::kFailed:
        return Report(MessageOnOneLine(outcome.message),
                      outcome.result == kDownloadInterrupted ? kExitInterrupted : kExitFailure);
    case DownloadOutcome::Status::kDeclined:
    case DownloadOutcome::Status::kAbandoned: break;
    }
    return kExitFailure;
}

}  // namespace kivelo::cli
