#include "instrument/download/DownloadFlow.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include "common/StagedFile.h"
#include "instrument/download/CommConnection.h"
#include "instrument/download/CommDeviceChoice.h"
#include "instrument/download/CommDiagnosis.h"
#include "instrument/download/Download.h"
#include "instrument/download/DownloadOutput.h"
#include "instrument/download/EstimateText.h"
#include "instrument/drivers/DownloadPlan.h"
#include "port/PortTable.h"

namespace kivelo {

namespace {

using Status = DownloadOutcome::Status;

DownloadOutcome Ended(Status status) {
    DownloadOutcome outcome;
    outcome.status = status;
    return outcome;
}

DownloadOutcome Failed(int result, std::string message) {
    DownloadOutcome outcome;
    outcome.result = result;
    outcome.message = std::move(message);
    return outcome;
}

// "Cannot save." and, when the folder is what stands in the way, that.
std::string CannotSaveText(const std::string& base) {
    std::string text = kCannotSaveText;
    const std::string folder = FolderOf(base);
    if (access(folder.c_str(), W_OK) != 0) text += "\n\nThe folder " + folder + " cannot be written.";
    return text;
}

}  // namespace

std::string NoResponseText(PortTable& ports, const CommTarget& shownAs, const CommTarget& target) {
    std::string text = NoResponseMessage(shownAs);
    std::string cause;
    if (target.IsGpib()) {
        if (!ports.Gpib().IsLoaded()) cause = GpibLibraryCause(ports.Options().GpibLibraryPath());
    } else {
        cause = SerialDeviceCause(SerialDevicePath(target, ports.Options()));
    }
    if (!cause.empty()) text += "\n\n" + cause;
    return text;
}

std::string ExistingOutput(const std::string& base) {
    for (const std::string& path : {DownloadOutput::DataPath(base), DownloadOutput::HeaderPath(base)}) {
        // What a killed download of this name left goes, even when the name is taken now.
        StagedFile::RemoveLeftovers(path);
        struct stat info {};
        if (lstat(path.c_str(), &info) == 0 || errno != ENOENT) return path;
    }
    return {};
}

DownloadOutcome RunDownloadFlow(PortTable& ports, const CommTarget& target, DownloadCallbacks& callbacks,
                                std::atomic<bool>& cancel, const DownloadFlowOptions& options) {
    CInstrumentPort& port = SelectPort(ports, target);
    DownloadPlan plan;
    DownloadInfo info;
    auto failure = [&](int result) {
        if (result == kDownloadInterrupted) return Failed(result, kInterruptedText);
        return Failed(result, NoResponseText(ports, options.shownAs, target));
    };

    int result = kDownloadNoAnswer;
    const bool waited = callbacks.Run(DownloadCallbacks::Phase::kQuery,
                                      [&] { result = QueryInstrument(port, target, plan, info, &cancel); });
    if (callbacks.Ending()) return Ended(Status::kAbandoned);
    if (!waited) result = kDownloadInterrupted;
    // A query that fails, whatever the reason, is "No response." as it always was.
    if (result != kDownloadOk) return failure(result == kDownloadFileError ? kDownloadNoAnswer : result);
    if (info.length < kMinDownloadLength)
        return Failed(kDownloadNoAnswer, TooFewPointsMessage(info.model, info.traceCount, info.length));

    const int64_t points = static_cast<int64_t>(info.length) * info.traceCount;
    const std::string estimate = EstimateText(EstimateSeconds(points, target.IsGpib()));
    const bool confirmed =
        callbacks.ConfirmEstimate(InformationMessage(info.model, info.traceCount, info.length, estimate));
    if (callbacks.Ending()) return Ended(Status::kAbandoned);
    if (!confirmed) return cancel ? failure(kDownloadInterrupted) : Ended(Status::kDeclined);
    const std::optional<std::string> base = callbacks.ChooseBase();
    if (!base) return Ended(Status::kDeclined);
    // Refused before anything changes: a download never replaces a file.
    if (const std::string existing = ExistingOutput(*base); !existing.empty())
        return Failed(kDownloadFileError, std::string(kCannotSaveText) + "\n\n" + existing + " already exists.");

    callbacks.TransferStarting();
    DownloadControl control;
    control.cancel = &cancel;
    control.settle = options.settle;
    // On the transfer's thread, the one that fills the plan.
    control.progress = [&](int64_t done, int64_t total) { callbacks.Progress(done, total, plan); };
    callbacks.Run(DownloadCallbacks::Phase::kTransfer,
                  [&] { result = DownloadToFiles(port, target, *base, plan, control); });
    if (callbacks.Ending()) return Ended(Status::kAbandoned);  // complete files stay
    if (result == kDownloadFileError) return Failed(result, CannotSaveText(*base));
    if (result != kDownloadOk) return failure(result);
    DownloadOutcome saved = Ended(Status::kSaved);
    saved.result = kDownloadOk;
    saved.dataPath = DownloadOutput::DataPath(*base);
    return saved;
}

}  // namespace kivelo
