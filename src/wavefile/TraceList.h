#pragma once
// Traces chosen by the user as a comma-separated list of labels ("W2", in
// either case) or trace names, as `kivelo-cli export --traces` takes them.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "wavefile/RecordSamples.h"

namespace kivelo {

// Appends the index of each listed trace to out, in list order (empty items are
// skipped); false with the reason in error when an item names no trace or the
// list names none.
bool ParseTraceList(std::span<const RecordTrace> traces, std::string_view list, std::vector<int>& out,
                    std::string& error);

}  // namespace kivelo
