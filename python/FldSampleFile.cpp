#include "FldSampleFile.h"

#include <algorithm>

namespace kivelo::py {

int64_t FldSampleFile::ReadStored(int64_t pos, std::span<uint8_t> dst) const {
    const int64_t n = std::min(static_cast<int64_t>(dst.size()) / 4, GetSampleCount() - pos);
    if (pos < 0 || n <= 0) return 0;
    const int64_t got = data_.ReadAt(pos * 4, dst.first(static_cast<std::size_t>(n * 4)));
    return got < 0 ? -1 : got / 4;
}

}  // namespace kivelo::py
