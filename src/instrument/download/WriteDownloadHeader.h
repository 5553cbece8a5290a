#pragma once
// Writes a download's header with the family driver of the instrument, which
// fills the plan while it answers.
#include <atomic>
#include <string>

namespace kivelo {

class CInstrumentPort;
struct DownloadPlan;

struct DownloadHeaderOptions {
    // Replace an existing file at headerPath (default: refuse it).
    bool overwrite = false;
    // Checked before every write; a set flag stops the header (result 1).
    const std::atomic<bool>* cancelFlag = nullptr;
};

// Chooses the driver for modelId (see CreateDriver), attaches port and plan
// and writes the header to headerPath. Returns 0 when the header was written,
// 1 otherwise; detail, when given, gets the header writer's own result
// (-1 written, 0 failed, 0x100 cancelled, 0x101 implausible answer, 0x102
// bad data format).
int WriteDownloadHeader(int modelId, const std::string& headerPath, CInstrumentPort& port, DownloadPlan& plan,
                        const DownloadHeaderOptions& options = {}, int* detail = nullptr);

}  // namespace kivelo
