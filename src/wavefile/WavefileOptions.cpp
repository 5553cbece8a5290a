#include "wavefile/WavefileOptions.h"

#include <cerrno>
#include <cstdlib>

namespace kivelo {

WavefileOptions WavefileOptions::From(const EnvironmentLookup& lookup) {
    WavefileOptions options;
    const char* text = lookup(kSummaryVariable);
    if (text == nullptr || *text == '\0') return options;
    errno = 0;
    char* end = nullptr;
    const long long mb = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || mb < 0 || mb > (int64_t{1} << 40)) return options;
    options.summaryBudget = static_cast<int64_t>(mb) << 20;
    return options;
}

}  // namespace kivelo
