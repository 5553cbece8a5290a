#pragma once
// write() until every byte is out, retrying interrupted and short writes.
#include <cstddef>

namespace kivelo {

// false with errno set when a write fails.
bool WriteAll(int fd, const void* data, std::size_t size);

}  // namespace kivelo
