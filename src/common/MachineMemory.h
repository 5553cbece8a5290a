#pragma once
// How much memory the machine has: what sizes that depend on it are taken from.
#include <cstdint>

namespace kivelo {

// The physical memory in bytes; 0 when the system cannot tell.
int64_t PhysicalMemoryBytes();

}  // namespace kivelo
