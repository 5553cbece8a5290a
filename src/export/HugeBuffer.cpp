#include "export/HugeBuffer.h"

#include "common/HugePages.h"

namespace kivelo {

HugeBuffer::HugeBuffer(std::size_t bytes) : data_(static_cast<char*>(AllocateHuge(bytes))), size_(bytes) {}

HugeBuffer::~HugeBuffer() { FreeHuge(data_, size_); }

}  // namespace kivelo
