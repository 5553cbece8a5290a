#include <gtest/gtest.h>

#include <array>
#include <sys/stat.h>

#include "CsvWriter.h"
#include "ExportTestFiles.h"
#include "NumberText.h"

namespace kivelo {
namespace {

using testing::FolderEntries;
using testing::Lines;
using testing::SmallWvf;

constexpr int64_t kCache = 65536;

class CsvWriterTest : public ::testing::Test {
protected:
    // Writes the pair as d.wvf/d.hdr and opens it.
    CWaveFile& Open(const wavegen::WvfDesc& desc) {
        desc_ = desc;
        EXPECT_TRUE(wavegen::WriteWvf(Data(), desc_).ok);
        file_ = std::make_unique<CWaveFile>(Data(), kCache);
        EXPECT_TRUE(file_->IsOpen());
        return *file_;
    }
    std::string Data() const { return dir_.File("d.wvf"); }
    std::string Csv() const { return dir_.File("out.csv"); }

    // The value text the CSV must hold for a sample of the generated file.
    std::string Expected(int trace, int block, int64_t index) const {
        const auto& t = desc_.traces[static_cast<std::size_t>(trace)];
        double v = static_cast<double>(wavegen::WvfRawSample(desc_, trace, block, index)) *
                       wavegen::TraceVResolution(t) + t.vOffset;
        return ValueTextOf(v);
    }

    int Write(const CsvRequest& request) {
        CsvWriter writer;
        int r = writer.Write(*file_, Csv(), request);
        message_ = writer.Message();
        return r;
    }

    wavegen::TempDir dir_;
    wavegen::WvfDesc desc_;
    std::unique_ptr<CWaveFile> file_;
    std::string message_;
};

TEST_F(CsvWriterTest, CountZeroWritesTheHeaderLinesOnly) {
    auto desc = SmallWvf(2, 1, 10);
    desc.traces[1].vUnit = "A";
    Open(desc);
    ASSERT_EQ(Write({0, 0, 0, {}}), -1) << message_;
    EXPECT_EQ(wavegen::ReadFileText(Csv()),
              "\"Model\",\"QV708\"\n"
              "\"BlockNumber\",1\n"
              "\"TraceName\",\"CH1\",\"CH2\"\n"
              "\"BlockSize\",0\n"
              "\"VUnit\",\"V\",\"A\"\n"
              "\"HResolution\",0.001\n"
              "\"HOffset\",0\n"
              "\"HUnit\",\"s\"\n"
              "\"Date\",\"2026/12/06\"\n"
              "\"Time\",\"08:30:00\"\n"
              "\n");
}

TEST_F(CsvWriterTest, RowsOfTwoAndAHalfChunksInSampleOrder) {
    Open(SmallWvf(2, 2, 300));
    ASSERT_EQ(Write({20, 250, 1, {}}), -1) << message_;
    auto lines = Lines(wavegen::ReadFileText(Csv()));
    ASSERT_EQ(lines.size(), 11u + 250u);
    EXPECT_EQ(lines[1], "\"BlockNumber\",2");
    EXPECT_EQ(lines[3], "\"BlockSize\",250");
    EXPECT_EQ(lines[9], "\"Time\",\"08:30:01\"");
    EXPECT_EQ(lines[10], "");
    for (int r = 0; r < 250; ++r)
        ASSERT_EQ(lines[11 + static_cast<std::size_t>(r)],
                  Expected(0, 1, 20 + r) + "," + Expected(1, 1, 20 + r) + ",")
            << "row " << r;
}

TEST_F(CsvWriterTest, OnOffTableSkipsAbsentEntries) {
    Open(SmallWvf(3, 1, 5));
    // W2 absent: W1 and W3 decide traces 1 and 2, trace 3 is not written.
    std::array<uint8_t, 24> table{};
    table.fill(2);
    table[0] = 1;
    table[2] = 1;
    ASSERT_EQ(Write({0, 5, 0, table}), -1) << message_;
    auto lines = Lines(wavegen::ReadFileText(Csv()));
    EXPECT_EQ(lines[2], "\"TraceName\",\"CH1\",\"CH2\"");
    EXPECT_EQ(lines[4], "\"VUnit\",\"V\",\"V\"");
    EXPECT_EQ(lines[11], Expected(0, 0, 0) + "," + Expected(1, 0, 0) + ",");
}

TEST_F(CsvWriterTest, SwitchedOffTracesAreLeftOut) {
    Open(SmallWvf(3, 1, 5));
    std::array<uint8_t, 24> table{};
    table.fill(2);
    table[0] = 0;
    table[1] = 1;
    table[2] = 0;
    ASSERT_EQ(Write({0, 5, 0, table}), -1) << message_;
    auto lines = Lines(wavegen::ReadFileText(Csv()));
    EXPECT_EQ(lines[2], "\"TraceName\",\"CH2\"");
    EXPECT_EQ(lines[15], Expected(1, 0, 4) + ",");

    table[1] = 0;  // nothing switched on: labels only, empty rows
    ASSERT_EQ(Write({0, 5, 0, table}), -1) << message_;
    lines = Lines(wavegen::ReadFileText(Csv()));
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_EQ(lines[2], "\"TraceName\"");
    EXPECT_EQ(lines[4], "\"VUnit\"");
    for (std::size_t r = 11; r < 16; ++r) EXPECT_EQ(lines[r], "");
}

TEST_F(CsvWriterTest, HOffsetOfAZoomRangeAndThreeDigitExponent) {
    auto desc = SmallWvf(1, 1, 1100);
    desc.header.hOffset = -0.5;
    desc.header.hResolution = 0.001;
    Open(desc);
    ASSERT_EQ(Write({1000, 10, 0, {}}), -1) << message_;
    auto lines = Lines(wavegen::ReadFileText(Csv()));
    EXPECT_EQ(lines[5], "\"HResolution\",0.001");
    EXPECT_EQ(lines[6], "\"HOffset\",0.5");

    desc.header.hOffset = 0.0;
    desc.header.hResolution = 0.00001;
    Open(desc);
    ASSERT_EQ(Write({0, 10, 0, {}}), -1) << message_;
    lines = Lines(wavegen::ReadFileText(Csv()));
    EXPECT_EQ(lines[5], "\"HResolution\",1E-005");
}

TEST_F(CsvWriterTest, ValueTextsWithSevenSignificantDigits) {
    auto desc = SmallWvf(2, 1, 4, "IS4");
    desc.traces[0].vResolution = 1.0;
    desc.traces[1].vResolution = 0.05;
    Open(desc);
    // Little-endian 32-bit samples: trace 1 holds 0, 5, 1234567, 12345678; trace 2 1, -5, 0, 0.
    auto le = [](std::vector<int32_t> v) {
        std::vector<uint8_t> b;
        for (int32_t x : v)
            for (int k = 0; k < 4; ++k) b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(x) >> (8 * k)));
        return b;
    };
    ASSERT_TRUE(wavegen::PatchFile(Data(), 0, le({0, 5, 1234567, 12345678, 1, -5, 0, 0})));
    file_ = std::make_unique<CWaveFile>(Data(), kCache);
    ASSERT_EQ(Write({0, 4, 0, {}}), -1) << message_;
    auto lines = Lines(wavegen::ReadFileText(Csv()));
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[11], "0.,5.e-002,");
    EXPECT_EQ(lines[12], "5.,-0.25,");
    EXPECT_EQ(lines[13], "1234567,0.,");
    EXPECT_EQ(lines[14], "1.234568e+007,0.,");
}

TEST_F(CsvWriterTest, ShortSourceLeavesNoFileAndKeepsTheOlderOne) {
    Open(SmallWvf(2, 1, 300));
    ASSERT_EQ(Write({0, 300, 0, {}}), -1) << message_;
    std::string older = wavegen::ReadFileText(Csv());

    // Cut the data file inside trace 2: the reader delivers fewer samples than asked.
    ASSERT_EQ(::truncate(Data().c_str(), 2 * 300 + 2 * 150), 0);
    file_ = std::make_unique<CWaveFile>(Data(), kCache);
    EXPECT_EQ(Write({0, 300, 0, {}}), 0);
    EXPECT_NE(message_.find("trace 2"), std::string::npos) << message_;
    EXPECT_EQ(wavegen::ReadFileText(Csv()), older);

    std::remove(Csv().c_str());
    EXPECT_EQ(Write({0, 300, 0, {}}), 0);
    EXPECT_EQ(FolderEntries(dir_.Path()).size(), 2u);  // d.wvf and d.hdr only
}

TEST_F(CsvWriterTest, FullDiskLeavesNoFileAndKeepsTheOlderOne) {
    Open(SmallWvf(4, 1, 20000));
    ASSERT_EQ(Write({0, 10, 0, {}}), -1) << message_;
    std::string older = wavegen::ReadFileText(Csv());
    {
        testing::FileSizeLimit limit(64 * 1024);
        EXPECT_EQ(Write({0, 20000, 0, {}}), 0);
    }
    EXPECT_NE(message_.find("out.csv"), std::string::npos) << message_;
    EXPECT_EQ(wavegen::ReadFileText(Csv()), older);
    EXPECT_EQ(FolderEntries(dir_.Path()).size(), 3u);
}

TEST_F(CsvWriterTest, RangeOutsideTheBlockIsRefused) {
    Open(SmallWvf(1, 2, 100));
    EXPECT_EQ(Write({50, 51, 0, {}}), 0);
    EXPECT_EQ(Write({-1, 10, 0, {}}), 0);
    EXPECT_EQ(Write({0, 10, 2, {}}), 0);
    EXPECT_FALSE(message_.empty());
    EXPECT_EQ(FolderEntries(dir_.Path()).size(), 2u);
    EXPECT_EQ(Write({50, 50, 1, {}}), -1) << message_;
}

TEST_F(CsvWriterTest, UnwritableFolderIsReported) {
    Open(SmallWvf(1, 1, 10));
    CsvWriter writer;
    EXPECT_EQ(writer.Write(*file_, dir_.File("missing/out.csv"), {0, 10, 0, {}}), 0);
    EXPECT_NE(writer.Message().find("missing"), std::string::npos) << writer.Message();
}

TEST(CsvSelectTraces, OnlyTheFirstTraceTotalEntriesCount) {
    std::array<uint8_t, 24> table{};
    table.fill(1);
    EXPECT_EQ(CsvWriter::SelectTraces(table, 3), (std::vector<int>{0, 1, 2}));
    table[1] = 2;
    EXPECT_EQ(CsvWriter::SelectTraces(table, 3), (std::vector<int>{0, 1}));
    EXPECT_EQ(CsvWriter::SelectTraces({}, 3), (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(CsvWriter::SelectTraces(table, 0).empty());
}

}  // namespace
}  // namespace kivelo
