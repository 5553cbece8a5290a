#pragma once
// Where received block bytes go (the data file of a download, or a test buffer).
#include <cstdint>
#include <span>

namespace kivelo {

class BlockSink {
public:
    virtual ~BlockSink() = default;
    virtual bool Append(std::span<const uint8_t> bytes) = 0;
    virtual bool AppendZeros(int64_t count) = 0;
};

}  // namespace kivelo
