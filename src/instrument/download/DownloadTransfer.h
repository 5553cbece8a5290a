#pragma once
// The per-family command sequence that fetches every record of one trace.
#include <atomic>
#include <chrono>
#include <cstdint>

namespace kivelo {

class BlockReceiver;
class CInstrumentPort;

struct DownloadRecords {
    int64_t first = 0;   // number of the first record
    int64_t count = 1;   // records per trace; below 2 only the current one is fetched
    int64_t points = 0;  // points per record
};

// Selects channel (1-based), prepares the block format of the model's family
// and receives each record in turn. settle: pause after selecting a record on
// the families that redraw it first. Results as the download's.
int TransferTrace(int model, int channel, const DownloadRecords& records, CInstrumentPort& port,
                  BlockReceiver& receiver, std::chrono::milliseconds settle);

}  // namespace kivelo
