// The number parser of the value dialogs on arbitrary typed text.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "app/core/ValueParse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<double> v = kivelo::app::ParseLeadingNumber(text);
    if (!v) return 0;
    // A number is always finite, and reading it again from its shortest text gives it back.
    if (!std::isfinite(*v)) std::abort();
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, *v);
    const std::optional<double> back = kivelo::app::ParseLeadingNumber(std::string_view(buffer, end.ptr));
    // Subnormal values may read back as 0 (the parser's rule for values too small).
    if (!back || (*back != *v && std::fpclassify(*v) != FP_SUBNORMAL)) std::abort();
    return 0;
}
