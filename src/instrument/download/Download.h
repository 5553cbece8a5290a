#pragma once
// Download of every displayed trace and history record of an instrument into
// a .wvf data file with its .hdr header. The two phases return the download
// results (DownloadResult.h); the caller shows the texts and asks the user.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "instrument/download/CommTarget.h"

namespace kivelo {

class CInstrumentPort;
struct DownloadPlan;

// What the information query learnt.
struct DownloadInfo {
    int model = 0;            // model identifier
    int traceCount = 0;       // traces to fetch
    int length = 0;           // points per record as answered, a negative answer as 0
    int64_t totalPoints = 0;  // traces x records x points
};

struct DownloadControl {
    // Set from another thread to stop the transfer (result 4). Cleared when
    // the transfer starts. May be null.
    std::atomic<bool>* cancel = nullptr;
    // Bytes of sample data stored so far and in all.
    std::function<void(int64_t done, int64_t total)> progress;
    // Pause after selecting a record on the families that redraw it first.
    std::chrono::milliseconds settle{200};
};

// Identifies the instrument, stops its acquisition and writes a scratch header
// (in a private temporary folder, removed again) so that the drivers fill the
// plan. Results 0, 1 (scratch folder not writable), 2, 3, 4 (cancelled).
int QueryInstrument(CInstrumentPort& port, const CommTarget& target, DownloadPlan& plan, DownloadInfo& info,
                    const std::atomic<bool>* cancel = nullptr);

// Fetches everything into base + ".wvf" and base + ".hdr". Both appear only
// when complete; an existing file of either name is never replaced (result 1).
// After any failure no file of this download is left behind.
int DownloadToFiles(CInstrumentPort& port, const CommTarget& target, const std::string& base, DownloadPlan& plan,
                    const DownloadControl& control);

}  // namespace kivelo
