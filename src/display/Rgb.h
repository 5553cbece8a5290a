#pragma once
#include <cstdint>

namespace kivelo {

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

}  // namespace kivelo
