// The export's --traces list against a record's traces: the first byte picks how
// many traces the record has, the rest is the typed list.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "wavefile/TraceList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::vector<kivelo::RecordTrace> traces(data[0] % 25);
    for (std::size_t t = 0; t < traces.size(); ++t) {
        traces[t].index = static_cast<int>(t);
        traces[t].label = "W" + std::to_string(t + 1);
        // Names that look like labels, are empty or repeat, as headers may have them.
        traces[t].name = t % 3 == 0 ? "W" + std::to_string(t + 3) : t % 3 == 1 ? "" : "CH" + std::to_string(t % 4);
    }
    const std::string_view list(reinterpret_cast<const char*>(data + 1), size - 1);
    std::vector<int> chosen;
    std::string error;
    const bool ok = kivelo::ParseTraceList(traces, list, chosen, error);
    // A list is taken only whole, with every index a trace of the record; a refusal says why.
    if (!ok && error.empty()) std::abort();
    if (ok && chosen.empty()) std::abort();
    for (int i : chosen)
        if (i < 0 || i >= static_cast<int>(traces.size())) std::abort();
    return 0;
}
