#include "common/MachineMemory.h"

#include <unistd.h>

namespace kivelo {

int64_t PhysicalMemoryBytes() {
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageBytes = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && pageBytes > 0 ? static_cast<int64_t>(pages) * pageBytes : 0;
}

}  // namespace kivelo
