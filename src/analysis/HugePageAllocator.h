#pragma once
// An allocator for large arrays written once from end to end: blocks of 2 MB and
// more are asked of the kernel as huge pages, so that filling them takes a few
// page faults rather than one per 4 KB (each one costly on virtual machines).
#include <sys/mman.h>

#include <cstdlib>
#include <memory>
#include <new>

namespace kivelo {

template <class T>
struct HugePageAllocator {
    using value_type = T;
    static constexpr std::size_t kHuge = std::size_t{2} << 20;

    HugePageAllocator() = default;
    template <class U>
    HugePageAllocator(const HugePageAllocator<U>&) {}

    T* allocate(std::size_t n) {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < kHuge) return std::allocator<T>().allocate(n);
        const std::size_t rounded = (bytes + kHuge - 1) / kHuge * kHuge;
        void* p = std::aligned_alloc(kHuge, rounded);
        if (p == nullptr) throw std::bad_alloc();
        ::madvise(p, rounded, MADV_HUGEPAGE);  // a hint: without huge pages it stays plain memory
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t n) {
        if (n * sizeof(T) < kHuge) std::allocator<T>().deallocate(p, n);
        else std::free(p);
    }
    template <class U>
    bool operator==(const HugePageAllocator<U>&) const {
        return true;
    }
};

}  // namespace kivelo
