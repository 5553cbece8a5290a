#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

#include "CRtmFile.h"
#include "ExportTestFiles.h"
#include "RealtimeConversion.h"

namespace kivelo {
namespace {

using testing::FolderEntries;
using testing::Lines;

constexpr int64_t kCache = 65536;

class RealtimeConversionTest : public ::testing::Test {
protected:
    // Writes r.rtm/r.hdr with two channels of `samples` IS2 samples and opens it.
    CRtmFile& Open(int64_t samples, const std::function<void(wavegen::RtmDesc&)>& change = {}) {
        desc_.channelMask = 0x3;
        desc_.samples = samples;
        desc_.signal.kind = wavegen::Signal::Counter;
        if (change) change(desc_);
        EXPECT_TRUE(wavegen::WriteRtm(Source(), desc_).ok);
        file_ = std::make_unique<CRtmFile>(Source(), kCache);
        EXPECT_TRUE(file_->IsOpen());
        return *file_;
    }
    std::string Source() const { return dir_.File("r.rtm"); }
    std::string Out() const { return dir_.File("out.wvf"); }
    std::string OutHeader() const { return dir_.File("out.hdr"); }

    int Convert(int mode, const std::string& path) {
        int r = SaveAsWvf(*file_, mode, path, message_);
        EXPECT_EQ(file_->GetRegion(), 0);
        EXPECT_TRUE(file_->GetByteOrderConversion());
        return r;
    }

    // The header line that starts with key (CR LF line ends checked on the way).
    std::string HeaderLine(const std::string& key) {
        for (const std::string& line : Lines(wavegen::ReadFileText(OutHeader()))) {
            EXPECT_TRUE(!line.empty() && line.back() == '\r');
            if (line.rfind(key, 0) == 0) return line.substr(0, line.size() - 1);
        }
        return "(none)";
    }

    // Little-endian 2-byte sample i of trace t in the written data file.
    int16_t OutSample(const std::vector<uint8_t>& data, int64_t n, int t, int64_t i) {
        auto at = static_cast<std::size_t>((t * n + i) * 2);
        return static_cast<int16_t>(data[at] | (data[at + 1] << 8));
    }

    wavegen::TempDir dir_;
    wavegen::RtmDesc desc_;
    std::unique_ptr<CRtmFile> file_;
    std::string message_;
};

TEST_F(RealtimeConversionTest, OneHundredthCopiesThePpRegionAndScalesTheHeader) {
    Open(250000);
    ASSERT_EQ(Convert(1, Out()), -1) << message_;
    auto data = wavegen::ReadFileBytes(Out());
    ASSERT_EQ(data.size(), 2u * 2500u * 2u);
    for (int t = 0; t < 2; ++t)
        for (int64_t i = 0; i < 2500; i += 499)
            EXPECT_EQ(OutSample(data, 2500, t, i), wavegen::RtmRawSample(desc_, t, 1, i))
                << "trace " << t << " sample " << i;
    EXPECT_EQ(HeaderLine("BlockSize"), "BlockSize         2500  2500");
    EXPECT_EQ(HeaderLine("HResolution"), "HResolution       1.0000000E-001 1.0000000E-001");
    EXPECT_EQ(HeaderLine("TraceName"), "TraceName           CH1             CH2             ");

    // The result opens as a waveform file of 2,500 samples per trace.
    CWaveFile converted(Out(), 0);
    ASSERT_TRUE(converted.IsOpen());
    converted.SetTrace(1);
    EXPECT_EQ(converted.GetBlockSize(), 2500);
}

TEST_F(RealtimeConversionTest, OneThousandthDividesBlockSizesDown) {
    Open(12345, [](wavegen::RtmDesc& s) { s.header.displayBlockSize = true; });
    ASSERT_EQ(Convert(2, Out()), -1) << message_;
    EXPECT_EQ(HeaderLine("BlockSize"), "BlockSize         12  12");
    EXPECT_EQ(HeaderLine("DisplayBlockSize"), "DisplayBlockSize  12  12");
    EXPECT_EQ(HeaderLine("HResolution"), "HResolution       1.0000000E+000 1.0000000E+000");
    EXPECT_EQ(wavegen::ReadFileBytes(Out()).size(), 2u * 12u * 2u);
}

TEST_F(RealtimeConversionTest, ApplicationInfoAndEverythingAfterItIsLeftOut) {
    Open(2000, [](wavegen::RtmDesc& s) { s.header.applicationInfo = true; });
    ASSERT_EQ(Convert(0, Out()), -1) << message_;
    std::string text = wavegen::ReadFileText(OutHeader());
    EXPECT_EQ(text.find("$ApplicationInfo"), std::string::npos);
    EXPECT_EQ(text.find("Application"), std::string::npos);
    EXPECT_NE(text.find("DspDataSize"), std::string::npos);
    EXPECT_EQ(HeaderLine("BlockSize"), "BlockSize         2000  2000");
}

TEST_F(RealtimeConversionTest, ExistingNonEmptyOutputIsLeftAlone) {
    Open(2000);
    ASSERT_TRUE(testing::WriteTextFile(Out(), "abc"));
    EXPECT_EQ(Convert(0, Out()), 5);
    EXPECT_EQ(message_, "File already exists.");
    EXPECT_EQ(wavegen::ReadFileText(Out()), "abc");
    EXPECT_EQ(::access(OutHeader().c_str(), F_OK), -1);
}

TEST_F(RealtimeConversionTest, ExistingEmptyOutputIsFilled) {
    Open(2000);
    ASSERT_TRUE(testing::WriteTextFile(Out(), ""));
    ASSERT_EQ(Convert(0, Out()), -1) << message_;
    EXPECT_EQ(wavegen::ReadFileBytes(Out()).size(), 2u * 2000u * 2u);
}

TEST_F(RealtimeConversionTest, OddLengthKeepsEveryTraceInItsPlace) {
    // 65,537 samples: one chunk of 65,536 and a remainder of 1 that the pair-wise
    // realtime read cannot deliver; the last delivered sample stands in for it.
    Open(65537);
    ASSERT_EQ(Convert(0, Out()), -1) << message_;
    auto data = wavegen::ReadFileBytes(Out());
    ASSERT_EQ(data.size(), 2u * 65537u * 2u);
    CRtmFile reader(Source(), kCache);
    for (int t = 0; t < 2; ++t) {
        reader.SetTrace(t);
        std::vector<uint8_t> expected(65536 * 2);
        int64_t got = 0;
        ASSERT_EQ(reader.ReadData(0, 65536, expected, got, kWidthNative), -1);
        ASSERT_EQ(got, 65536);
        for (int64_t i = 0; i < 65536; i += 4097)
            EXPECT_EQ(OutSample(data, 65537, t, i),
                      static_cast<int16_t>(expected[i * 2] | (expected[i * 2 + 1] << 8)));
        EXPECT_EQ(OutSample(data, 65537, t, 65536), OutSample(data, 65537, t, 65535));
    }
}

TEST_F(RealtimeConversionTest, SamplesAreCopiedInTheirStoredByteOrder) {
    Open(1000, [](wavegen::RtmDesc& s) { s.header.endian = "Big"; });
    ASSERT_EQ(Convert(0, Out()), -1) << message_;
    auto data = wavegen::ReadFileBytes(Out());
    ASSERT_EQ(data.size(), 2u * 1000u * 2u);
    int64_t raw = wavegen::RtmRawSample(desc_, 1, 0, 10);
    std::size_t at = (1000 + 10) * 2;
    EXPECT_EQ(data[at], static_cast<uint8_t>(raw >> 8));
    EXPECT_EQ(data[at + 1], static_cast<uint8_t>(raw));
    EXPECT_EQ(HeaderLine("Endian"), "Endian              Big");
}

TEST_F(RealtimeConversionTest, NameWithoutLowerCaseWWritesNothing) {
    Open(1000);
    EXPECT_EQ(Convert(0, dir_.File("OUT.WVF")), 0);
    EXPECT_FALSE(message_.empty());
    // Only the folder of the file name counts: a 'w' further up is not used.
    ASSERT_EQ(::mkdir(dir_.File("w").c_str(), 0755), 0);
    EXPECT_EQ(Convert(0, dir_.File("w/OUT.WVF")), 0);
    EXPECT_TRUE(FolderEntries(dir_.File("w")).empty());
    EXPECT_EQ(FolderEntries(dir_.Path()).size(), 3u);  // r.rtm, r.hdr, w
}

TEST_F(RealtimeConversionTest, HeaderOfTheSourceIsNeverReplaced) {
    Open(1000);
    std::string header = wavegen::ReadFileText(dir_.File("r.hdr"));
    EXPECT_EQ(Convert(0, dir_.File("r.wvf")), 0);
    EXPECT_EQ(wavegen::ReadFileText(dir_.File("r.hdr")), header);
    EXPECT_EQ(::access(dir_.File("r.wvf").c_str(), F_OK), -1);
}

TEST_F(RealtimeConversionTest, ShortSourceLeavesNoOutput) {
    Open(200000);
    // The file loses its end after it was opened: reads come back short.
    ASSERT_EQ(::truncate(Source().c_str(), 300000), 0);
    EXPECT_EQ(Convert(0, Out()), 0);
    EXPECT_FALSE(message_.empty());
    EXPECT_EQ(::access(Out().c_str(), F_OK), -1);
    EXPECT_EQ(::access(OutHeader().c_str(), F_OK), -1);

    // An empty file that was there stays, and stays empty.
    ASSERT_TRUE(testing::WriteTextFile(Out(), ""));
    EXPECT_EQ(Convert(0, Out()), 0);
    EXPECT_EQ(wavegen::ReadFileBytes(Out()).size(), 0u);
}

TEST_F(RealtimeConversionTest, HeaderCopyStopsAfterTenThousandLines) {
    Open(1000, [](wavegen::RtmDesc& s) {
        s.header.privateLines.assign(10000, "Note                x");
    });
    EXPECT_EQ(CopyHeaderWithRatio(*file_->GetHeader(), OutHeader(), 1), 0);
    EXPECT_EQ(::access(OutHeader().c_str(), F_OK), -1);
    EXPECT_EQ(Convert(0, Out()), 0);
    EXPECT_EQ(::access(Out().c_str(), F_OK), -1);
}

TEST_F(RealtimeConversionTest, HeaderCopyWithinTheLimitAndBadDivisor) {
    Open(1000, [](wavegen::RtmDesc& s) { s.header.privateLines.assign(9000, "Note                x"); });
    EXPECT_EQ(CopyHeaderWithRatio(*file_->GetHeader(), OutHeader(), 0), 0);
    EXPECT_EQ(CopyHeaderWithRatio(*file_->GetHeader(), OutHeader(), 1), -1);
    EXPECT_EQ(HeaderLine("Note"), "Note                x");
}

TEST(ConvertedHeaderPath, CutBeforeTheLastLowerCaseW) {
    EXPECT_EQ(ConvertedHeaderPath("/d/rec.wvf"), "/d/rec.hdr");
    EXPECT_EQ(ConvertedHeaderPath("rec.wvf"), "rec.hdr");
    EXPECT_EQ(ConvertedHeaderPath("/d/wave.dat"), "/d/hdr");
    EXPECT_EQ(ConvertedHeaderPath("/d/wave.WVF"), "/d/hdr");
    EXPECT_EQ(ConvertedHeaderPath("/work/REC.WVF"), "");
}

}  // namespace
}  // namespace kivelo
