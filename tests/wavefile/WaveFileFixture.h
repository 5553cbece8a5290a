#pragma once
// Shared fixture: writes header and data files into a scratch folder.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "TestFiles.h"
#include "common/TempDir.h"
#include "wavefile/CWaveFile.h"

namespace kivelo::test {

// Exposes the layout arithmetic for the overflow checks.
class ProbeWaveFile : public CWaveFile {
public:
    // File offset of byte p of a record of a trace.
    int64_t OffsetOf(int block, int trace, int64_t p) const { return TraceByteOffset({block, trace, 0, false}, p); }
};

class WaveFileFixture : public ::testing::Test {
protected:
    std::string Put(const std::string& name, const std::string& bytes) {
        std::ofstream(dir.File(name), std::ios::binary) << bytes;
        return dir.File(name);
    }
    // Writes name.hdr and name.wvf; returns the data path.
    std::string Write(const HeaderDesc& desc, const std::string& data, const std::string& name = "wave1") {
        Put(name + ".hdr", HeaderText(desc));
        return Put(name + ".wvf", data);
    }
    // One group of traces of the given types, all of the same size.
    static HeaderDesc Simple(std::vector<std::string> types, int size, int blocks = 1) {
        GroupDesc g;
        for (std::size_t t = 0; t < types.size(); ++t) g.names.push_back("CH" + std::to_string(t + 1));
        g.sizes = {std::vector<int>(types.size(), size)};
        g.types = std::move(types);
        g.blocks = blocks;
        HeaderDesc desc;
        desc.groups = {g};
        return desc;
    }
    // Reads count samples of the current block at the width code, as unsigned numbers.
    static std::vector<uint32_t> Read(CWaveFile& f, int trace, int64_t pos, int64_t count, int code = 0,
                                      int outSize = 2) {
        std::vector<uint8_t> buf(static_cast<std::size_t>(count * outSize));
        int64_t got = -1;
        f.SetTrace(trace);
        EXPECT_EQ(f.ReadData(pos, count, buf, got, code), -1);
        std::vector<uint32_t> out(static_cast<std::size_t>(got));
        for (std::size_t i = 0; i < out.size(); ++i)
            std::memcpy(&out[i], buf.data() + i * static_cast<std::size_t>(outSize), static_cast<std::size_t>(outSize));
        return out;
    }

    TempDir dir;
};

}  // namespace kivelo::test
