#pragma once
// A floating file that also hands out its values as stored (host-order 32-bit
// floats): the file class itself delivers only texts and display samples.
#include <cstdint>
#include <span>

#include "wavefile/CFldFile.h"

namespace kivelo::py {

class FldSampleFile : public CFldFile {
public:
    // Up to dst.size() / 4 values from value index pos; the count read, -1 on an I/O error.
    int64_t ReadStored(int64_t pos, std::span<uint8_t> dst) const;
};

}  // namespace kivelo::py
