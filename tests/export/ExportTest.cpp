// CSV writer bytes and realtime conversion: nothing
// partial is ever left, nothing existing is ever replaced by a failed write.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <functional>

#include "FileSizeLimit.h"
#include "FolderEntries.h"
#include "Wavegen.h"
#include "common/StagedFile.h"
#include "export/CsvWriter.h"
#include "export/RealtimeConversion.h"
#include "wavefile/CRtmFile.h"
#include "wavefile/NumberText.h"

namespace kivelo {
namespace {

using test::FolderEntries;
using wavegen::ReadFileBytes;
using wavegen::ReadFileText;
constexpr int64_t kCache = 65536;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0, lf; start < text.size(); start = lf + 1) {
        lf = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, lf - start));
    }
    return lines;
}

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

bool WriteText(const std::string& path, const std::string& text) {
    StagedFile f;
    return f.Create(path, StagedFile::Existing::Replace) && f.Append(text) && f.Commit();
}

class CsvWriterTest : public ::testing::Test {
protected:
    // Writes d.wvf/d.hdr with `traces` IS2 counter traces (CH1.., V, 0.001 V) and opens it.
    CWaveFile& Open(int traces, int blocks, int64_t samples,
                    const std::function<void(wavegen::WvfDesc&)>& change = {}) {
        desc_ = {};
        desc_.traces = wavegen::MakeTraces(traces, "IS2", wavegen::Signal::Counter);
        for (auto& t : desc_.traces) t.vResolution = 0.001;
        desc_.blocks = blocks;
        desc_.samples = samples;
        if (change) change(desc_);
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
        return ValueTextOf(static_cast<double>(wavegen::WvfRawSample(desc_, trace, block, index)) *
                               wavegen::TraceVResolution(t) +
                           t.vOffset);
    }

    int Write(const CsvRequest& request) {
        CsvWriter writer;
        const int r = writer.Write(*file_, Csv(), request);
        message_ = writer.Message();
        return r;
    }

    TempDir dir_;
    wavegen::WvfDesc desc_;
    std::unique_ptr<CWaveFile> file_;
    std::string message_;
};

// 250 rows starting at 20 in block 1 span two and a half read chunks: a chunk
// seam that drops, repeats or shifts a row breaks the sample order.
TEST_F(CsvWriterTest, RowsAcrossChunksInSampleOrder) {
    Open(2, 2, 300);
    ASSERT_EQ(Write({20, 250, 1, {}}), -1) << message_;
    const auto lines = Lines(ReadFileText(Csv()));
    ASSERT_EQ(lines.size(), 11u + 250u);
    EXPECT_EQ(lines[3], "\"BlockSize\",250");
    EXPECT_EQ(lines[9], "\"Time\",\"08:30:01\"");
    for (int r = 0; r < 250; ++r)
        ASSERT_EQ(lines[11 + static_cast<std::size_t>(r)], Expected(0, 1, 20 + r) + "," + Expected(1, 1, 20 + r) + ",")
            << "row " << r;
}

// The window's on/off entries W1..W24: absent entries (2) are skipped, so
// W1 and W3 decide traces 1 and 2; switched-off traces are left out.
TEST_F(CsvWriterTest, OnOffTableChoosesTheColumns) {
    Open(3, 1, 5);
    const struct {
        std::array<uint8_t, 3> first;
        std::string names, row4;
    } cases[] = {
        {{1, 2, 1}, "\"TraceName\",\"CH1\",\"CH2\"", Expected(0, 0, 4) + "," + Expected(1, 0, 4) + ","},
        {{0, 1, 0}, "\"TraceName\",\"CH2\"", Expected(1, 0, 4) + ","},
        {{0, 0, 0}, "\"TraceName\"", ""},  // nothing on: labels only, empty rows
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.names);
        std::array<uint8_t, 24> table{};
        table.fill(2);
        std::copy(c.first.begin(), c.first.end(), table.begin());
        ASSERT_EQ(Write({0, 5, 0, table}), -1) << message_;
        const auto lines = Lines(ReadFileText(Csv()));
        ASSERT_EQ(lines.size(), 16u);
        EXPECT_EQ(lines[2], c.names);
        EXPECT_EQ(lines[15], c.row4);
    }
}

TEST_F(CsvWriterTest, FailuresLeaveNoFileAndKeepTheOlderOne) {
    Open(4, 1, 20000);
    ASSERT_EQ(Write({0, 10, 0, {}}), -1) << message_;
    const std::string older = ReadFileText(Csv());
    {
        FileSizeLimit limit(64 * 1024);  // stands in for a full disk
        EXPECT_EQ(Write({0, 20000, 0, {}}), 0);
    }
    EXPECT_NE(message_.find("out.csv"), std::string::npos) << message_;
    EXPECT_EQ(ReadFileText(Csv()), older);

    // Ranges outside the block are refused.
    for (CsvRequest bad : {CsvRequest{19990, 11, 0, {}}, CsvRequest{-1, 10, 0, {}}, CsvRequest{0, 10, 1, {}}})
        EXPECT_EQ(Write(bad), 0) << bad.first << " " << bad.count << " " << bad.block;
    EXPECT_EQ(Write({19990, 10, 0, {}}), -1) << message_;

    // The data file lacks the second half of trace 2: the samples that are not
    // there are refused before anything is written.
    Open(2, 1, 300);
    ASSERT_EQ(Write({0, 300, 0, {}}), -1) << message_;
    const std::string complete = ReadFileText(Csv());
    ASSERT_EQ(::truncate(Data().c_str(), 2 * 300 + 2 * 150), 0);
    file_ = std::make_unique<CWaveFile>(Data(), kCache);
    EXPECT_EQ(Write({0, 300, 0, {}}), 0);
    EXPECT_NE(message_.find("W2 has only 150 of its 300 samples"), std::string::npos) << message_;
    EXPECT_EQ(ReadFileText(Csv()), complete);
    std::remove(Csv().c_str());
    EXPECT_EQ(Write({0, 300, 0, {}}), 0);
    EXPECT_EQ(FolderEntries(dir_.Path()).size(), 2u);  // d.wvf and d.hdr only

    CsvWriter writer;
    EXPECT_EQ(writer.Write(*file_, dir_.File("missing/out.csv"), {0, 10, 0, {}}), 0);
    EXPECT_NE(writer.Message().find("missing"), std::string::npos) << writer.Message();
}

// Several passes of rows: written on a second thread they are the same bytes as on
// one, in order; a write failing on that thread fails the whole write, and the
// older file stays.
TEST_F(CsvWriterTest, SecondThreadWritesTheSameBytesInOrder) {
    Open(4, 1, 250000);  // three passes of rows
    CsvRequest request{0, 250000, 0, {}};
    request.threads = 1;
    ASSERT_EQ(Write(request), -1) << message_;
    const std::string single = ReadFileText(Csv());
    CsvProgress progress;
    request.threads = 2;
    request.progress = &progress;
    ASSERT_EQ(Write(request), -1) << message_;
    EXPECT_EQ(progress.rows.load(), 250000);
    const std::string both = ReadFileText(Csv());
    ASSERT_EQ(both.size(), single.size());
    EXPECT_TRUE(both == single) << "the rows differ from byte "
                                << std::mismatch(both.begin(), both.end(), single.begin()).first - both.begin();
    const auto lines = Lines(both);
    ASSERT_EQ(lines.size(), 11u + 250000u);
    for (int64_t r : {int64_t{0}, int64_t{99999}, int64_t{100000}, int64_t{249999}})
        EXPECT_EQ(lines[11 + static_cast<std::size_t>(r)],
                  Expected(0, 0, r) + "," + Expected(1, 0, r) + "," + Expected(2, 0, r) + "," + Expected(3, 0, r) + ",")
            << "row " << r;

    {
        FileSizeLimit limit(1024 * 1024);
        EXPECT_EQ(Write(request), 0);
    }
    EXPECT_NE(message_.find("out.csv"), std::string::npos) << message_;
    EXPECT_TRUE(ReadFileText(Csv()) == single);

    progress.cancel = true;
    EXPECT_EQ(Write(request), 0);
    EXPECT_NE(message_.find("cancelled"), std::string::npos) << message_;
    EXPECT_EQ(FolderEntries(dir_.Path()).size(), 3u);  // d.wvf, d.hdr and the older out.csv
}

class RealtimeConversionTest : public ::testing::Test {
protected:
    // Writes r.rtm/r.hdr with two channels of `samples` IS2 counter samples and opens it.
    void Open(int64_t samples, const std::function<void(wavegen::RtmDesc&)>& change = {}) {
        desc_.channelMask = 0x3;
        desc_.samples = samples;
        desc_.signal.kind = wavegen::Signal::Counter;
        if (change) change(desc_);
        ASSERT_TRUE(wavegen::WriteRtm(Source(), desc_).ok);
        file_ = std::make_unique<CRtmFile>(Source(), kCache);
        ASSERT_TRUE(file_->IsOpen());
    }
    std::string Source() const { return dir_.File("r.rtm"); }
    std::string Out() const { return dir_.File("out.wvf"); }
    std::string OutHeader() const { return dir_.File("out.hdr"); }
    int Convert(const std::string& path) { return SaveAsWvf(*file_, 0, path, message_); }

    TempDir dir_;
    wavegen::RtmDesc desc_;
    std::unique_ptr<CRtmFile> file_;
    std::string message_;
};

TEST_F(RealtimeConversionTest, OddLengthKeepsEveryTraceInItsPlace) {
    // 65,537 samples: one chunk of 65,536 and a remainder of 1 that the pair-wise
    // realtime read cannot deliver; the last delivered sample stands in for it.
    Open(65537);
    ASSERT_EQ(Convert(Out()), -1) << message_;
    const auto data = ReadFileBytes(Out());
    ASSERT_EQ(data.size(), 2u * 65537u * 2u);
    auto sample = [&](int t, int64_t i) {
        const auto at = static_cast<std::size_t>((t * 65537 + i) * 2);
        return static_cast<int16_t>(data[at] | (data[at + 1] << 8));
    };
    for (int t = 0; t < 2; ++t) {
        for (int64_t i = 0; i < 65536; i += 4097)
            EXPECT_EQ(sample(t, i), static_cast<int16_t>(wavegen::RtmRawSample(desc_, t, 0, i)));
        EXPECT_EQ(sample(t, 65536), sample(t, 65535));
    }
    EXPECT_EQ(file_->GetRegion(), 0);
}

TEST_F(RealtimeConversionTest, ExistingOutputsAndTheSourceHeaderAreNeverReplaced) {
    Open(1000);
    ASSERT_TRUE(WriteText(Out(), "abc"));
    EXPECT_EQ(Convert(Out()), 5);
    EXPECT_EQ(message_, "File already exists.");
    EXPECT_EQ(ReadFileText(Out()), "abc");
    EXPECT_FALSE(Exists(OutHeader()));

    // r.wvf would take the realtime file's own r.hdr as its header.
    const std::string header = ReadFileText(dir_.File("r.hdr"));
    EXPECT_EQ(Convert(dir_.File("r.wvf")), 0);
    EXPECT_EQ(ReadFileText(dir_.File("r.hdr")), header);
    EXPECT_FALSE(Exists(dir_.File("r.wvf")));
}

TEST_F(RealtimeConversionTest, FailuresLeaveNothing) {
    Open(200000);
    // No lower-case 'w' in the file name (a 'w' in a folder name does not count).
    ASSERT_EQ(::mkdir(dir_.File("w").c_str(), 0755), 0);
    EXPECT_EQ(Convert(dir_.File("w/OUT.WVF")), 0);
    EXPECT_FALSE(message_.empty());
    EXPECT_TRUE(FolderEntries(dir_.File("w")).empty());

    // The file loses its end after it was opened: reads come back short.
    ASSERT_EQ(::truncate(Source().c_str(), 300000), 0);
    EXPECT_EQ(Convert(Out()), 0);
    EXPECT_FALSE(Exists(Out()));
    EXPECT_FALSE(Exists(OutHeader()));
    // An empty file that was there stays, and stays empty.
    ASSERT_TRUE(WriteText(Out(), ""));
    EXPECT_EQ(Convert(Out()), 0);
    EXPECT_EQ(ReadFileBytes(Out()).size(), 0u);
}

// A header of more than 10,000 lines is not copied (nor converted); a bad
// divisor is refused.
TEST_F(RealtimeConversionTest, HeaderCopyLimits) {
    Open(1000, [](auto& s) { s.header.privateLines.assign(10000, "Note                x"); });
    EXPECT_EQ(CopyHeaderWithRatio(*file_->GetHeader(), OutHeader(), 1), 0);
    EXPECT_FALSE(Exists(OutHeader()));
    EXPECT_EQ(Convert(Out()), 0);
    EXPECT_FALSE(Exists(Out()));

    desc_ = {};
    Open(1000, [](auto& s) { s.header.privateLines.assign(9000, "Note                x"); });
    EXPECT_EQ(CopyHeaderWithRatio(*file_->GetHeader(), OutHeader(), 0), 0);
    EXPECT_EQ(CopyHeaderWithRatio(*file_->GetHeader(), OutHeader(), 1), -1);
    EXPECT_NE(ReadFileText(OutHeader()).find("Note                x\r\n"), std::string::npos);
}

TEST(ConvertedHeaderPath, CutBeforeTheLastLowerCaseW) {
    const std::pair<const char*, const char*> cases[] = {{"/d/rec.wvf", "/d/rec.hdr"},
                                                         {"rec.wvf", "rec.hdr"},
                                                         {"/d/wave.dat", "/d/hdr"},
                                                         {"/d/wave.WVF", "/d/hdr"},
                                                         {"/work/REC.WVF", ""}};
    for (const auto& [data, header] : cases) EXPECT_EQ(ConvertedHeaderPath(data), header) << data;
}

}  // namespace
}  // namespace kivelo
