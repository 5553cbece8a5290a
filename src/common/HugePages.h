#pragma once
// Memory for large arrays written once from end to end (summaries, tables, row
// batches, transforms): 1 MB and more is placed on 2 MB boundaries and asked of
// the kernel as huge pages, so that filling it costs a few page faults rather
// than one per 4 KB (each one costly in a virtual machine). Only a hint: without
// huge pages it is plain memory.
#include <cstddef>
#include <new>

namespace kivelo {

// One huge page: a buffer of this size, reused for many reads, is one address translation.
inline constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

// 64-byte aligned; throws std::bad_alloc as operator new does.
void* AllocateHuge(std::size_t bytes);
// bytes: as given to AllocateHuge.
void FreeHuge(void* p, std::size_t bytes) noexcept;

template <class T>
struct HugePageAllocator {
    using value_type = T;
    HugePageAllocator() = default;
    template <class U>
    HugePageAllocator(const HugePageAllocator<U>&) {}
    T* allocate(std::size_t n) { return static_cast<T*>(AllocateHuge(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept { FreeHuge(p, n * sizeof(T)); }
    template <class U>
    bool operator==(const HugePageAllocator<U>&) const {
        return true;
    }
};

}  // namespace kivelo
