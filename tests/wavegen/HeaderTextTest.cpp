// The generated header text: line ends, columns, key order, per-block keys and variants.
#include <gtest/gtest.h>

#include <sstream>

#include "HeaderBuilder.h"
#include "Wavegen.h"

using namespace kivelo::wavegen;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (auto end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    EXPECT_EQ(start, text.size()) << "text after the last CR LF";
    return lines;
}

// Index of the first line starting with key, -1 when none.
int Find(const std::vector<std::string>& lines, const std::string& key) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind(key, 0) == 0) return static_cast<int>(i);
    }
    return -1;
}

std::string Header(const HeaderOptions& h, int traces, int blocks,
                   std::optional<PrivateKeys> keys = std::nullopt) {
    return BuildHeader(h, MakeTraces(traces, "IS2,FS4", Signal::Sine), blocks,
                       [](int t, int b) { return 100 * (b + 1) + t; }, keys);
}

}  // namespace

TEST(HeaderText, EveryLineEndsInCrLfWithoutStrayLineFeeds) {
    const std::string text = Header({}, 5, 2);
    EXPECT_EQ(text.rfind("//ORVANTIS ASCII FILE FORMAT\r\n", 0), 0u);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
        }
    }
}

TEST(HeaderText, KeysFillTwentyColumnsAndValuesSixteen) {
    const auto lines = Lines(Header({}, 3, 1));
    const std::string& names = lines[static_cast<std::size_t>(Find(lines, "TraceName"))];
    EXPECT_EQ(names.substr(0, 20), "TraceName           ");
    EXPECT_EQ(names.substr(20, 16), "CH1             ");
    EXPECT_EQ(names.substr(36, 16), "CH2             ");
    EXPECT_EQ(lines[static_cast<std::size_t>(Find(lines, "Model"))], "Model               QV708");
    const std::string& res = lines[static_cast<std::size_t>(Find(lines, "VDataType"))];
    EXPECT_EQ(res.substr(20, 3), "IS2");
    EXPECT_EQ(res.substr(36, 3), "FS4");
}

TEST(HeaderText, RealsHaveSevenDigitsAndThreeDigitExponents) {
    EXPECT_EQ(HeaderBuilder::Real(1.0e-3), "1.0000000E-003");
    EXPECT_EQ(HeaderBuilder::Real(-5.0), "-5.0000000E+000");
    EXPECT_EQ(HeaderBuilder::Real(2.5e120), "2.5000000E+120");
}

TEST(HeaderText, GroupsHoldAtMostTheConfiguredNumberOfTraces) {
    const auto lines = Lines(Header({}, 5, 1));
    EXPECT_EQ(lines[static_cast<std::size_t>(Find(lines, "GroupNumber"))], "GroupNumber         2");
    EXPECT_EQ(lines[static_cast<std::size_t>(Find(lines, "TraceTotalNumber"))], "TraceTotalNumber    5");
    const int g2 = Find(lines, "$Group2");
    ASSERT_GT(g2, 0);
    EXPECT_EQ(lines[static_cast<std::size_t>(g2 + 1)], "TraceNumber         1");
}

TEST(HeaderText, PerBlockLinesAreNumberedAndDatesPrecedeTimes) {
    const auto lines = Lines(Header({}, 2, 3));
    const int size1 = Find(lines, "BlockSize1");
    ASSERT_GT(size1, 0);
    EXPECT_EQ(lines[static_cast<std::size_t>(size1 - 1)].rfind("TraceName", 0), 0u);
    EXPECT_EQ(lines[static_cast<std::size_t>(size1 + 1)].rfind("BlockSize2          200", 0), 0u);
    EXPECT_EQ(lines[static_cast<std::size_t>(size1 + 3)].rfind("VResolution", 0), 0u);
    EXPECT_LT(Find(lines, "Date3"), Find(lines, "Time1"));
    EXPECT_NE(lines[static_cast<std::size_t>(Find(lines, "Time3"))].find("08:30:02"), std::string::npos);
}

TEST(HeaderText, Qv31ModelsWriteOneDateLineWithPlaceholders) {
    HeaderOptions h;
    h.model = "QV31A";
    const auto lines = Lines(Header(h, 3, 2));
    EXPECT_EQ(Find(lines, "Date1"), -1);
    const std::string& date = lines[static_cast<std::size_t>(Find(lines, "Date"))];
    std::istringstream words(date);
    std::string key, a, b, c;
    words >> key >> a >> b >> c;
    EXPECT_EQ(a, "????");
    EXPECT_EQ(b, "2026/12/06");
    EXPECT_EQ(c, "2026/12/06");
}

TEST(HeaderText, PrivateKeysFollowModelVersionAndInputModule) {
    PrivateKeys keys{0, 10, 30, 10, 20, 5, 7u};
    HeaderOptions h;
    h.applicationInfo = true;
    const auto lines = Lines(Header(h, 2, 1, keys));
    const int version = Find(lines, "ModelVersion");
    ASSERT_GT(version, Find(lines, "$PrivateInfo"));
    EXPECT_EQ(Find(lines, "InputModule"), version + 1);
    EXPECT_EQ(lines[static_cast<std::size_t>(version + 2)], "AcqDataOffset       0");
    EXPECT_EQ(lines[static_cast<std::size_t>(Find(lines, "DspDataSize"))], "DspDataSize         5");
    EXPECT_EQ(lines[static_cast<std::size_t>(Find(lines, "DspChAttr"))], "DspChAttr           7");
    EXPECT_GT(Find(lines, "$ApplicationInfo"), Find(lines, "DspChAttr"));
}

TEST(HeaderText, HeaderPathReplacesTheExtension) {
    EXPECT_EQ(HeaderPathFor("/tmp/a.b/wave.wvf"), "/tmp/a.b/wave.hdr");
    EXPECT_EQ(HeaderPathFor("/tmp/WAVE.WVF"), "/tmp/WAVE.HDR");
    EXPECT_EQ(HeaderPathFor("/tmp/x.y/noext"), "/tmp/x.y/noext.hdr");
}
