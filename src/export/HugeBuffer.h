#pragma once
// A large work buffer of uninitialised bytes, on huge pages where the system
// gives them (see common/HugePages.h): a CSV write touches megabytes of tables
// and rows once.
#include <cstddef>

namespace kivelo {

class HugeBuffer {
public:
    explicit HugeBuffer(std::size_t bytes);
    ~HugeBuffer();
    HugeBuffer(const HugeBuffer&) = delete;
    HugeBuffer& operator=(const HugeBuffer&) = delete;

    char* Data() const { return data_; }
    std::size_t Size() const { return size_; }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace kivelo
