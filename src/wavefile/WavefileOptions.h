#pragma once
// What the program's top level decides for the readers.
#include <cstdint>

#include "common/EnvironmentLookup.h"
#include "wavefile/SummaryStore.h"

namespace kivelo {

struct WavefileOptions {
    static constexpr const char* kSummaryVariable = "KIVELO_SUMMARY_MB";

    // Bytes the min/max summaries of a document's readers, or of a reader of its own, may take (0: none).
    int64_t summaryBudget = DefaultSummaryBudget();

    // KIVELO_SUMMARY_MB (megabytes, 0 for none) when set to a number, else the defaults.
    static WavefileOptions From(const EnvironmentLookup& lookup);
};

}  // namespace kivelo
