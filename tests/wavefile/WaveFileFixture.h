#pragma once
// Shared fixture: writes a header and a data file and opens them.
#include <gtest/gtest.h>

#include <cstring>

#include "CWaveFile.h"
#include "TestFiles.h"

namespace kivelo::test {

// Exposes the protected layout and cache state for inspection.
class ProbeWaveFile : public CWaveFile {
public:
    using CWaveFile::TraceByteOffset;
    const TraceCache& Cache(int trace) const { return caches_[static_cast<std::size_t>(trace)]; }
};

class WaveFileFixture : public ::testing::Test {
protected:
    // Writes name.hdr and name.wvf; returns the data path.
    std::string Write(const HeaderDesc& desc, const std::string& data,
                      const std::string& name = "wave1") {
        dir.Write(name + ".hdr", HeaderText(desc));
        return dir.Write(name + ".wvf", data);
    }

    // One group of traces with the given types, all of the same size and block count.
    static HeaderDesc Simple(std::vector<std::string> types, int size, int blocks = 1,
                             const std::string& endian = "Ltl") {
        HeaderDesc desc;
        desc.endian = endian;
        GroupDesc g;
        for (std::size_t t = 0; t < types.size(); ++t) g.names.push_back("CH" + std::to_string(t + 1));
        g.types = std::move(types);
        g.blocks = blocks;
        g.sizes = {std::vector<int>(g.names.size(), size)};
        g.dateLines = {"Date 26/12/06"};
        g.timeLines = {"Time 08:00:00"};
        desc.groups = {g};
        return desc;
    }

    // Reads count samples of the current block/trace at code and returns them as
    // unsigned numbers of the output size.
    static std::vector<uint32_t> Read(CWaveFile& f, int trace, int64_t pos, int64_t count, int code,
                                      int outSize) {
        std::vector<uint8_t> buf(static_cast<std::size_t>(count * outSize));
        int64_t got = -1;
        EXPECT_EQ(f.ReadData(trace, pos, count, buf, got, code), -1);
        return Unpack(buf, got, outSize);
    }

    static std::vector<uint32_t> Unpack(const std::vector<uint8_t>& buf, int64_t n, int size) {
        std::vector<uint32_t> out;
        for (int64_t i = 0; i < n; ++i) {
            uint32_t v = 0;
            std::memcpy(&v, buf.data() + i * size, static_cast<std::size_t>(size));
            out.push_back(v);
        }
        return out;
    }

    TempDir dir;
};

}  // namespace kivelo::test
