#pragma once
// Work buffers that the reads of one reader borrow, one buffer per read at a time,
// so that reads on several threads never share one; a returned buffer keeps its
// memory for later reads until Clear. Large ones are on huge pages.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <utility>
#include <vector>

#include "common/HugePages.h"

namespace kivelo {

template <class T>
class ScratchPool {
    using Buffer = std::vector<T, HugePageAllocator<T>>;

public:
    // A buffer taken from the pool for as long as the lease lives.
    class Lease {
    public:
        explicit Lease(ScratchPool& pool) : pool_(pool), buffer_(pool.TakeBuffer()) {}
        ~Lease() {
            try {
                pool_.GiveBack(std::move(buffer_));
            } catch (...) {
                // Out of memory for the list: the buffer is simply freed.
            }
        }
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;

        // Its first n elements, grown to hold them.
        std::span<T> First(int64_t n) {
            const auto size = static_cast<std::size_t>(n > 0 ? n : 0);
            if (buffer_.size() < size) buffer_.resize(size);
            return std::span<T>(buffer_).first(size);
        }
        T* Data() { return buffer_.data(); }

    private:
        ScratchPool& pool_;
        Buffer buffer_;
    };

    ScratchPool() = default;
    ScratchPool(const ScratchPool&) = delete;
    ScratchPool& operator=(const ScratchPool&) = delete;

    // Frees the buffers not lent out.
    void Clear() {
        std::lock_guard lock(mutex_);
        free_.clear();
        free_.shrink_to_fit();
    }

private:
    Buffer TakeBuffer() {
        std::lock_guard lock(mutex_);
        if (free_.empty()) return {};
        Buffer b = std::move(free_.back());
        free_.pop_back();
        return b;
    }
    void GiveBack(Buffer&& b) {
        std::lock_guard lock(mutex_);
        free_.push_back(std::move(b));
    }

    std::mutex mutex_;
    std::vector<Buffer> free_;
};

}  // namespace kivelo
