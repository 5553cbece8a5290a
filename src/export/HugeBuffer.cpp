#include "export/HugeBuffer.h"

#include <sys/mman.h>

#include <new>

namespace kivelo {

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
}

HugeBuffer::HugeBuffer(std::size_t bytes) : size_(bytes), huge_(bytes >= kHugePage / 2) {
    if (!huge_) {
        data_ = static_cast<char*>(::operator new(bytes));
        return;
    }
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    data_ = static_cast<char*>(::operator new (rounded, std::align_val_t{kHugePage}));
#ifdef MADV_HUGEPAGE
    ::madvise(data_, rounded, MADV_HUGEPAGE);
#endif
}

HugeBuffer::~HugeBuffer() {
    if (huge_) ::operator delete (data_, std::align_val_t{kHugePage});
    else ::operator delete(data_);
}

}  // namespace kivelo
