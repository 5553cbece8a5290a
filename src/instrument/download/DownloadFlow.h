#pragma once
// "Download and Save" from the information query to the two files, once for
// the program and the command line: the order of the steps, the checks and
// the texts live here; each caller says how it asks, shows and waits through
// DownloadCallbacks.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "instrument/download/CommTarget.h"
#include "instrument/download/DownloadResult.h"

namespace kivelo {

class PortTable;
struct DownloadPlan;

class DownloadCallbacks {
public:
    enum class Phase { kQuery, kTransfer };

    virtual ~DownloadCallbacks() = default;
    // Runs one long phase (the query or the transfer) and waits for it; false
    // when the wait itself was abandoned (the work has ended all the same).
    virtual bool Run(Phase phase, const std::function<void()>& work) {
        (void)phase;
        work();
        return true;
    }
    // Asks about the estimate ("MODEL: ...\nAbout 10 Sec"); true goes on.
    virtual bool ConfirmEstimate(const std::string& question) = 0;
    // The base path (without ".wvf") to save under; nullopt stops.
    virtual std::optional<std::string> ChooseBase() = 0;
    // Called once the name is accepted and just before the transfer starts.
    virtual void TransferStarting() {}
    // From the transfer's thread: bytes stored so far and in all, with the plan
    // the transfer follows.
    virtual void Progress(int64_t done, int64_t total, const DownloadPlan& plan) {
        (void)done, (void)total, (void)plan;
    }
    // True when the caller is going away: the flow stops without a word.
    virtual bool Ending() const { return false; }
};

struct DownloadFlowOptions {
    // The port line of "No response." names this (the COM port as chosen,
    // whatever device stands behind it).
    CommTarget shownAs;
    // Pause after selecting a record on the families that redraw it first.
    std::chrono::milliseconds settle{200};
};

struct DownloadOutcome {
    enum class Status {
        kSaved,      // both files are complete; dataPath names the .wvf
        kDeclined,   // the user said no or chose no name: nothing to tell
        kAbandoned,  // the caller is ending: nothing to tell
        kFailed,     // message says what went wrong
    };
    Status status = Status::kFailed;
    int result = kDownloadNoAnswer;  // the phase result behind a failure (DownloadResult)
    std::string message;             // the user's text, its cause below it where one is known
    std::string dataPath;
};

// The whole flow: query, length check, estimate, name, transfer. `cancel` is
// the caller's flag; setting it from any thread interrupts the running phase.
DownloadOutcome RunDownloadFlow(PortTable& ports, const CommTarget& target, DownloadCallbacks& callbacks,
                                std::atomic<bool>& cancel, const DownloadFlowOptions& options);

// "No response." with the port line of shownAs and, below it, what the system
// knows of the cause at target (a missing serial device and the group that
// gives access to it, a GPIB library that does not load).
std::string NoResponseText(PortTable& ports, const CommTarget& shownAs, const CommTarget& target);

// The first of base + ".wvf" and base + ".hdr" that exists; empty when neither.
// Removes what killed downloads of either name left behind.
std::string ExistingOutput(const std::string& base);

}  // namespace kivelo
