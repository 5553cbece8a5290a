#pragma once
// A 64-bit result brought into the int range (saturating).
#include <algorithm>
#include <climits>

namespace kivelo {

constexpr int ClampToInt(long long value) { return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX)); }

}  // namespace kivelo
