#include <gtest/gtest.h>

#include "DisplayPointLoader.h"
#include "DocumentBinding.h"
#include "FakeWaveFile.h"

namespace kivelo {
namespace {

using test::FakeWaveFile;

std::vector<int16_t> Ramp(int n, int scale = 1) {
    std::vector<int16_t> v;
    for (int i = 0; i < n; ++i) v.push_back(static_cast<int16_t>(i * scale));
    return v;
}

TEST(LoadDisplayPointsTest, StepCodesAndCounts) {
    EXPECT_EQ(DisplayStepCode(500, 500), 512);
    EXPECT_EQ(DisplayStepCode(3000, 2000), 768);
    EXPECT_EQ(DisplayStepCode(1000000, 2000), 256000);
    EXPECT_EQ(DisplayStepCode(0, 0), 512);

    FakeWaveFile f;
    f.AddTrace("A", {Ramp(500)});
    DisplayTrace t;
    ASSERT_TRUE(LoadDisplayPoints(t, f, 512, 0, 500, 0));
    EXPECT_EQ(t.pointCount, 500u);
    EXPECT_EQ(t.samples[499], 499);
}

TEST(LoadDisplayPointsTest, ByteWideAndOffsetBinary) {
    FakeWaveFile f;
    f.AddTrace("A", {{1, -1, 127}});
    DisplayTrace t;
    t.bytesPerSample = 1;
    ASSERT_TRUE(LoadDisplayPoints(t, f, 512, 0, 3, 0));
    EXPECT_EQ(t.samples[0], 256);
    EXPECT_EQ(t.samples[1], -256);
    EXPECT_EQ(t.samples[2], 127 * 256);
    t.bytesPerSample = 2;
    t.isSigned = 0;
    ASSERT_TRUE(LoadDisplayPoints(t, f, 512, 0, 3, 0));
    EXPECT_EQ(t.samples[0], static_cast<int16_t>(0x8001));
    EXPECT_EQ(t.samples[1], 0x7FFF);  // 0xFFFF + 0x8000 wraps
}

TEST(LoadDisplayPointsTest, ReadsPastTheEndAreCutAndHeld) {
    FakeWaveFile f;
    f.AddTrace("A", {Ramp(100)});
    DisplayTrace t;
    ASSERT_TRUE(LoadDisplayPoints(t, f, 512, 95, 12, 0));
    EXPECT_EQ(t.pointCount, 12u);
    EXPECT_EQ(t.samples[4], 99);
    EXPECT_EQ(t.samples[11], 99);
    EXPECT_FALSE(LoadDisplayPoints(t, f, 512, 100, 12, 0));
    EXPECT_EQ(t.pointCount, 0u);
    EXPECT_FALSE(LoadDisplayPoints(t, f, 512, 0, 12, -1));  // absent trace
    EXPECT_FALSE(LoadDisplayPoints(t, f, 512, 0, 12, 5));   // no such channel
    FakeWaveFile empty;
    empty.AddTrace("E", {{}});
    EXPECT_FALSE(LoadDisplayPoints(t, empty, 512, 0, 12, 0));
}

TEST(BindDocumentTest, TracesTablesAndScaling) {
    FakeWaveFile f;
    f.model = "QV818E";
    f.AddTrace("CH1", {Ramp(10000), Ramp(10000)}, kKindSigned, 1, 0.01, 0.5, "V");
    f.AddTrace("CH2", {Ramp(10000), Ramp(10000)}, kKindUnsigned, 2, 0.001, 0.0, "A");
    f.AddTrace("LOGIC", {Ramp(10000), Ramp(10000)}, kKindBit, 2, 1.0, 0.0, "");
    f.times = {"12:34:56.789", "t2"};
    DisplayModel m;
    m.mainSet[5].verticalPosition = 99;
    m.cursors.mesTrace = 3;
    BindDocument(m, f);

    EXPECT_TRUE(m.document.loaded);
    EXPECT_EQ(m.document.recordLength, 10000);
    EXPECT_EQ(m.document.recordCount, 2);
    EXPECT_EQ(m.document.TimeText(0), "12:34:56.7");  // cut to its 10-character field
    EXPECT_TRUE(m.document.bitOrderModel);
    EXPECT_EQ(m.cursors.mesTrace, kNoTrace);

    EXPECT_DOUBLE_EQ(m.mainSet[0].gain, 0.01 / 256);
    EXPECT_DOUBLE_EQ(m.mainSet[0].offset, 0.5);
    EXPECT_EQ(m.mainSet[0].bitCount, 8);
    EXPECT_EQ(m.mainSet[0].bytesPerSample, 1);
    EXPECT_DOUBLE_EQ(m.zoomSet[1].offset, 32.768);
    EXPECT_EQ(m.historySet[1].isSigned, 0);
    EXPECT_EQ(m.mainSet[2].logic, 1);
    EXPECT_EQ(m.mainSet[2].bitOrder, 1);
    EXPECT_EQ(m.mainSet[2].name, "LOGIC");
    EXPECT_NEAR(m.mainSet[5].GetVerticalZoom(), 1.024, 1e-4);
    EXPECT_EQ(m.mainSet[5].verticalPosition, 0);

    for (int i = 0; i < 3; ++i) EXPECT_EQ(m.mainOnOff[static_cast<size_t>(i)], kTraceOn);
    for (int i = 3; i < 24; ++i) EXPECT_EQ(m.zoom.onOff[static_cast<size_t>(i)], kTraceAbsent);
    EXPECT_EQ(m.xy.xTraceList.size(), 3u);
    EXPECT_EQ(m.zoom.FirstRow(), 16u);
}

TEST(BindDocumentTest, ExactModelComparisonAndRecordLimit) {
    FakeWaveFile f;
    f.model = "QV818X";
    std::vector<std::vector<int16_t>> records(1200, std::vector<int16_t>(4, 0));
    f.AddTrace("A", records);
    DisplayModel m;
    BindDocument(m, f);
    EXPECT_FALSE(m.document.bitOrderModel);
    EXPECT_EQ(m.document.recordCount, 1000);
    f.model = "QV7010";
    BindDocument(m, f);
    EXPECT_NEAR(m.mainSet[0].GetVerticalZoom(), 1.0, 1e-9);
    const uint64_t g = m.document.generation;
    UnbindDocument(m);
    EXPECT_FALSE(m.document.loaded);
    EXPECT_GT(m.document.generation, g);
}

TEST(ReaderKindTest, LastThreeCharactersAnyCase) {
    EXPECT_EQ(ReaderKindOf("C:\\DATA\\WAVE1.WVF"), ReaderKind::Wvf);
    EXPECT_EQ(ReaderKindOf("/tmp/a.rtm"), ReaderKind::Rtm);
    EXPECT_EQ(ReaderKindOf("x.Fld"), ReaderKind::Fld);
    EXPECT_EQ(ReaderKindOf("x.csv"), ReaderKind::None);
    EXPECT_EQ(ReaderKindOf("fl"), ReaderKind::None);
}

}  // namespace
}  // namespace kivelo
