#include "FldWriter.h"

#include <algorithm>
#include <bit>

#include "ChunkWriter.h"

namespace kivelo::wavegen {
namespace {

template <class ValueAt>
Result Write(const std::string& path, int64_t count, int trailingBytes, ValueAt valueAt) {
    ChunkWriter out(path);
    if (!out.Ok()) return Result::Fail("cannot create " + path);
    const auto perChunk = static_cast<int64_t>(out.Capacity() / 4);
    for (int64_t i = 0; i < count; i += perChunk) {
        const int64_t k = std::min(perChunk, count - i);
        uint8_t* dst = out.Reserve(static_cast<std::size_t>(4 * k));
        for (int64_t j = 0; j < k; ++j) {
            EncodeSample(std::bit_cast<uint32_t>(valueAt(i + j)), 4, false, dst + 4 * j);
        }
    }
    out.Fill(0x5A, static_cast<uint64_t>(std::clamp(trailingBytes, 0, 3)));
    if (!out.Finish()) return Result::Fail("write failed: " + path);
    return {};
}

}  // namespace

float FldSample(const FldDesc& s, int64_t index) { return FloatSample(s.signal, 0, 0, index); }

Result WriteFld(const std::string& path, const FldDesc& s) {
    return Write(path, std::max<int64_t>(s.samples, 0), s.trailingBytes, [&](int64_t i) { return FldSample(s, i); });
}

Result WriteFldValues(const std::string& path, std::span<const float> values, int trailingBytes) {
    return Write(path, static_cast<int64_t>(values.size()), trailingBytes,
                 [&](int64_t i) { return values[static_cast<std::size_t>(i)]; });
}

}  // namespace kivelo::wavegen
