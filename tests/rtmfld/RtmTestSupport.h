#pragma once
// Shared set-up of the realtime reader tests: generated files opened by CRtmFile.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "CRtmFile.h"
#include "Wavegen.h"

namespace rtmtest {

namespace gen = kivelo::wavegen;

// A generated file in its own directory, opened with the given cache capacity.
struct OpenedRtm {
    gen::TempDir dir;
    std::string path;
    kivelo::CRtmFile file;
    int openResult = 0;

    OpenedRtm(const gen::RtmDesc& desc, int64_t cache = 0, const char* name = "rec.rtm") {
        path = dir.File(name);
        EXPECT_TRUE(gen::WriteRtm(path, desc));
        openResult = file.Open(path, cache);
    }
};

// Native 2-byte samples of the current trace (ReadData plain overload).
inline std::vector<int16_t> ReadInt16(kivelo::CRtmFile& f, int64_t pos, int64_t count, int* result = nullptr) {
    std::vector<uint8_t> buf(static_cast<std::size_t>(count) * 2 + 2);
    int64_t out = -1;
    const int r = f.ReadData(pos, count, buf, out, kivelo::kWidthNative);
    if (result) *result = r;
    std::vector<int16_t> v(static_cast<std::size_t>(std::max<int64_t>(out, 0)));
    if (!v.empty()) std::memcpy(v.data(), buf.data(), v.size() * 2);
    return v;
}

// Channel c's stored samples p .. p + n - 1 of a region, as the generator wrote them.
inline std::vector<int16_t> Expected(const gen::RtmDesc& s, int channel, int region, int64_t p, int64_t n) {
    std::vector<int16_t> v;
    for (int64_t i = p; i < p + n; ++i) v.push_back(static_cast<int16_t>(gen::RtmRawSample(s, channel, region, i)));
    return v;
}

inline gen::RtmDesc CounterDesc(uint32_t mask, int64_t samples) {
    gen::RtmDesc s;
    s.channelMask = mask;
    s.samples = samples;
    s.signal.kind = gen::Signal::Counter;
    return s;
}

}  // namespace rtmtest
