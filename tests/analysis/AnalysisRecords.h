#pragma once
// One-block .hdr/.wvf records of given stored samples, written with the generator's
// header builder, and the physical values a measurement should see in them.
#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "Wavegen.h"

namespace kivelo::test {

struct TraceSamples {
    std::string type = "IS2";  // VDataType token
    std::vector<int64_t> raw;  // stored values; FS4: the float's bit pattern
    double vResolution = 1.0;
    double vOffset = 0.0;
    std::string unit = "V";
};

inline int64_t FloatBits(float f) { return std::bit_cast<uint32_t>(f); }

// The .wvf path of the record written into dir under `name` (traces of equal length).
inline std::string WriteSamplesRecord(const TempDir& dir, const std::string& name,
                                      const std::vector<TraceSamples>& traces, double hResolution = 1e-6) {
    wavegen::HeaderOptions h;
    h.hResolution = hResolution;
    std::vector<wavegen::TraceDesc> desc;
    for (const TraceSamples& t : traces) {
        wavegen::TraceDesc d;
        d.type = t.type;
        d.vResolution = t.vResolution;
        d.vOffset = t.vOffset;
        d.vUnit = t.unit;
        desc.push_back(d);
    }
    const auto samples = static_cast<int64_t>(traces.front().raw.size());
    const std::string path = dir.File(name);
    std::string data;
    for (const TraceSamples& t : traces) {
        const wavegen::SampleType type = wavegen::ParseSampleType(t.type);
        const std::size_t at = data.size();
        data.resize(at + t.raw.size() * static_cast<std::size_t>(type.width));
        for (std::size_t i = 0; i < t.raw.size(); ++i)
            wavegen::EncodeSample(static_cast<uint64_t>(t.raw[i]), type.width, false,
                                  reinterpret_cast<uint8_t*>(data.data()) + at + i * type.width);
    }
    const std::string header = wavegen::BuildHeader(
        h, desc, 1, [samples](int, int) { return samples; }, std::nullopt);
    if (!wavegen::WriteWholeFile(path, data.data(), data.size()) ||
        !wavegen::WriteHeaderFile(wavegen::HeaderPathFor(path), header))
        return {};
    return path;
}

// The physical value of a stored sample of the trace.
inline double Physical(const TraceSamples& t, int64_t raw) {
    const wavegen::SampleType type = wavegen::ParseSampleType(t.type);
    const double v = type.kind == wavegen::TypeKind::Float
                         ? static_cast<double>(std::bit_cast<float>(static_cast<uint32_t>(raw)))
                         : static_cast<double>(raw);
    return v * t.vResolution + t.vOffset;
}

}  // namespace kivelo::test
