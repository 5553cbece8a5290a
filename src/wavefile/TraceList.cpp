#include "wavefile/TraceList.h"

namespace kivelo {

namespace {

// "W1" .. "W999" as a trace index, -1 for anything else.
int LabelIndex(std::string_view item) {
    if (item.size() < 2 || item.size() > 4 || (item[0] != 'W' && item[0] != 'w')) return -1;
    int n = 0;
    for (char c : item.substr(1)) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n - 1;
}

}  // namespace

bool ParseTraceList(std::span<const RecordTrace> traces, std::string_view list, std::vector<int>& out,
                    std::string& error) {
    const int total = static_cast<int>(traces.size());
    const std::size_t before = out.size();
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view item = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        if (item.empty()) continue;
        int found = LabelIndex(item);
        if (found >= total) found = -1;
        for (int t = 0; found < 0 && t < total; ++t)
            if (traces[static_cast<std::size_t>(t)].name == item) found = t;
        if (found < 0) {
            error = "the file has no trace " + std::string(item) + " (it has W1 to W" + std::to_string(total) + ")";
            return false;
        }
        out.push_back(found);
    }
    if (out.size() == before) {
        error = "--traces names no trace";
        return false;
    }
    return true;
}

}  // namespace kivelo
