// The open flow's document: reader choice, failed opens, caption and the read monitor.
#include <gtest/gtest.h>

#include <filesystem>

#include "WaveFileFixture.h"
#include "wavefile/WaveDocument.h"

namespace kivelo::test {
namespace {

class DocumentTest : public WaveFileFixture {};

TEST_F(DocumentTest, ReaderFollowsTheEndingInEitherCaseAndTheCaptionNamesTheFile) {
    const std::string data(2 * 2 * 100, '\0');
    const std::string lower = Write(Simple({"IS2", "IS2"}, 100), data, "wave1");
    const std::string upper = Write(Simple({"IS2"}, 100), std::string(200, '\0'), "RUN7");
    std::filesystem::rename(upper, dir.File("RUN7.WVF"));
    std::filesystem::rename(dir.File("RUN7.hdr"), dir.File("RUN7.HDR"));

    WaveDocument doc;
    EXPECT_EQ(doc.Caption(), "Waveform Viewer");
    ASSERT_TRUE(doc.Load(lower).ok);
    EXPECT_EQ(doc.Current(), &doc.Wvf());
    EXPECT_FALSE(doc.IsRealtime());
    EXPECT_EQ(doc.Caption(), "Waveform Viewer  " + lower + "    Model " + doc.Model());
    EXPECT_EQ(doc.Current()->GetTraceTotalNumber(), 2);

    // The path is opened as given: an upper-case name finds its upper-case header.
    ASSERT_TRUE(doc.Load(dir.File("RUN7.WVF")).ok);
    EXPECT_EQ(doc.Current()->GetTraceTotalNumber(), 1);

    EXPECT_EQ(FormatOfPath("C:\\DATA\\WAVE1.WVF"), WaveFormat::Wvf);
    EXPECT_EQ(FormatOfPath("/tmp/a.rtm"), WaveFormat::Rtm);
    EXPECT_EQ(FormatOfPath("x.Fld"), WaveFormat::Fld);
    EXPECT_EQ(FormatOfPath("x.csv"), std::nullopt);
    EXPECT_EQ(FormatOfPath("fl"), std::nullopt);
}

TEST_F(DocumentTest, FailedOpenClosesThePreviousFileAndSaysWhy) {
    const std::string good = Write(Simple({"IS2"}, 10), std::string(20, '\0'));
    WaveDocument doc;
    ASSERT_TRUE(doc.Load(good).ok);
    std::filesystem::create_directory(dir.File("folder.fld"));
    for (const std::string& bad : {dir.File("missing.wvf"), dir.File("notes.txt"), dir.File("folder.fld")}) {
        const WaveDocument::LoadResult r = doc.Load(bad);
        EXPECT_FALSE(r.ok) << bad;
        // The program's words, then the cause naming the file (the hostile-file cases check the causes).
        EXPECT_EQ(r.message.rfind("Cannot oepn this file. \n\n  Check *.hdr \n" + bad + ": ", 0), 0u) << r.message;
        EXPECT_FALSE(doc.IsOpen());
        EXPECT_EQ(doc.Current(), nullptr);
        EXPECT_EQ(doc.Caption(), "Waveform Viewer");
    }
    // The readers were closed properly: the same file opens again.
    EXPECT_TRUE(doc.Load(good).ok);
}

TEST_F(DocumentTest, MonitorCountsReadsAndCancelStopsThem) {
    const std::string path = Write(Simple({"IS2"}, 4096), std::string(2 * 4096, '\1'));
    WaveDocument doc;
    ReadMonitor monitor;
    doc.SetReadMonitor(&monitor);
    ASSERT_TRUE(doc.Load(path).ok);
    std::vector<uint8_t> out(2 * 2000 * 2);
    int64_t got = 0;
    monitor.Reset();
    EXPECT_EQ(doc.Current()->ReadEnvelope(512 * 4, 0, 0, 0, 4096, out, got, 2), -1);
    EXPECT_EQ(monitor.bytesRead.load(), 2 * 4096);
    monitor.cancel = true;
    EXPECT_NE(doc.Current()->ReadEnvelope(512 * 4, 0, 0, 0, 4096, out, got, 2), -1);
}

}  // namespace
}  // namespace kivelo::test
