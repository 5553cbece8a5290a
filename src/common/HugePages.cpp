#include "common/HugePages.h"

#include <sys/mman.h>

namespace kivelo {
namespace {

constexpr std::size_t kHugePage = kHugePageBytes;
constexpr std::size_t kSmallAlign = 64;

bool IsHuge(std::size_t bytes) { return bytes >= kHugePage / 2; }
std::size_t Rounded(std::size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

void* AllocateHuge(std::size_t bytes) {
    if (!IsHuge(bytes)) return ::operator new (bytes, std::align_val_t{kSmallAlign});
    void* p = ::operator new (Rounded(bytes), std::align_val_t{kHugePage});
#ifdef MADV_HUGEPAGE
    ::madvise(p, Rounded(bytes), MADV_HUGEPAGE);
#endif
    return p;
}

void FreeHuge(void* p, std::size_t bytes) noexcept {
    ::operator delete (p, std::align_val_t{IsHuge(bytes) ? kHugePage : kSmallAlign});
}

}  // namespace kivelo
