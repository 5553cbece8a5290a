#pragma once
// What a download fetches, learnt while the drivers answer the header writer,
// plus the receive buffer of the block transfers. The caller owns it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "export/CHeaderSource.h"

namespace kivelo {

struct DownloadPlan {
    // Most traces a plan can list: as many as a header describes.
    static constexpr int kMaxTraces = kMaxHeaderTraces;
    // Bytes a block read may deliver at once.
    static constexpr std::size_t kChunkSize = 120000;

    // 0-based channel numbers of the traces to fetch, in header order.
    std::array<uint16_t, kMaxTraces> traces{};
    // Valid entries of traces (0..kMaxTraces).
    int32_t traceCount = 0;
    // Record length in points, per trace and record, as the instrument answered.
    int32_t length = 0;
    // Records (history blocks) per trace.
    int32_t recordCount = 0;
    // Number of the first record to fetch.
    int32_t firstRecord = 0;
    // Receive buffer: kChunkSize data bytes plus the port's terminating NUL.
    // On the heap, so a plan on the stack stays small.
    std::vector<uint8_t> chunk = std::vector<uint8_t>(kChunkSize + 1);
};

}  // namespace kivelo
