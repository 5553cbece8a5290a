#include <gtest/gtest.h>

#include "ColourCode.h"
#include "DisplayModel.h"
#include "DisplayPalette.h"
#include "RasterPlane.h"
#include "TraceSet.h"

namespace kivelo {
namespace {

TEST(ColourCodes, TraceCodeKeepsGraticuleAndBit7HighlightOnlyBit5) {
    EXPECT_EQ(colour_code::Paint(0xC0 | 0x23, 5), 0xC5);  // old code and highlight replaced
    EXPECT_EQ(colour_code::Paint(0x45, 32), 0x65);        // highlight keeps the trace code
    EXPECT_EQ(colour_code::Paint(0x65 & 0xDF, 7), 0x47);
}

TEST(ColourCodes, HighlightLayerLeavesTracesIntactWhenCleared) {
    RasterPlane plane;
    plane.PaintColumn(10, 5, 20, 3);
    plane.OrBits(10, 7, colour_code::kGraticuleBit);
    const std::vector<uint8_t> before(plane.Bytes().begin(), plane.Bytes().end());
    plane.PaintColumn(10, 0, 30, colour_code::kHighlight);
    EXPECT_EQ(DisplayPalette::EntryOf(plane.At(10, 6)), DisplayPalette::kHighlightEntry);
    plane.Clear(0, 0, 2048, 1200, colour_code::kHighlightBit);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), plane.Bytes().begin()));
}

TEST(RasterPlaneTest, ClearKeepsBit7AndClipsToThePlane) {
    RasterPlane plane;
    plane.Set(2047, 1199, 0xFF);
    plane.Set(0, 0, 0xFF);
    plane.Clear(-100, -100, 5000, 5000, colour_code::kClearMask);
    EXPECT_EQ(plane.At(2047, 1199), 0x80);
    EXPECT_EQ(plane.At(0, 0), 0x80);
    plane.Set(3000, 3000, 1);            // ignored
    plane.PaintColumn(-1, -50, 5000, 1);  // ignored
    EXPECT_EQ(plane.At(3000, 3000), 0);
}

TEST(DisplayPaletteTest, LevelsEntriesAndMapping) {
    EXPECT_EQ(DisplayPalette::LevelToComponent(0), 15);
    EXPECT_EQ(DisplayPalette::LevelToComponent(3), 94);
    EXPECT_EQ(DisplayPalette::LevelToComponent(7), 247);
    DisplayPalette p;
    EXPECT_EQ(p.Entry(0), (Rgb{247, 247, 15}));           // primary 7,7,0
    EXPECT_EQ(p.Entry(16), (Rgb{94, 94, 15}));            // dim 4,4,0
    EXPECT_EQ(p.Entry(33), (Rgb{15, 15, 15}));            // dark background 0,0,1
    EXPECT_EQ(p.Entry(35), (Rgb{196, 196, 196}));         // graticule
    EXPECT_EQ(p.Entry(48), (Rgb{0, 0, 0}));               // unused
    EXPECT_EQ(p.Foreground(), (Rgb{247, 247, 247}));
    EXPECT_EQ(DisplayPalette::EntryOf(0x00), 33);
    EXPECT_EQ(DisplayPalette::EntryOf(0x80), 33);  // bit 7 has no colour
    EXPECT_EQ(DisplayPalette::EntryOf(0x40), 35);
    EXPECT_EQ(DisplayPalette::EntryOf(0x41), 0);   // trace wins over graticule
    EXPECT_EQ(DisplayPalette::EntryOf(0x61), 36);  // highlight wins over trace
    EXPECT_EQ(DisplayPalette::EntryOf(0x1F), 30);

    p.Build(true);
    EXPECT_EQ(p.Entry(33), (Rgb{247, 247, 247}));
    EXPECT_EQ(p.Entry(35), (Rgb{15, 15, 15}));
    EXPECT_EQ(p.Background(), (Rgb{247, 247, 247}));
    EXPECT_EQ(p.LabelColourOffset(), 16);
    EXPECT_EQ(p.LabelColour(0), p.Entry(16));
    EXPECT_EQ(p.LabelColour(23), p.Entry(30));
}

TEST(TraceSetTest, ColourAssignmentsAndChannels) {
    TraceSet set;
    EXPECT_EQ(set[0].colour, 1u);
    EXPECT_EQ(set[13].colour, 14u);
    EXPECT_EQ(set[14].colour, 15u);
    EXPECT_EQ(set[23].colour, 15u);
    set.ApplyColourAssignment(true);
    EXPECT_EQ(set[0].colour, 17u);
    EXPECT_EQ(set[23].colour, 31u);

    OnOffTable table{};
    table.fill(kTraceAbsent);
    table[0] = kTraceOn;
    table[1] = kTraceAbsent;
    table[2] = kTraceOff;
    table[3] = kTraceOn;
    EXPECT_EQ(ChannelOf(table, 0), 0);
    EXPECT_EQ(ChannelOf(table, 1), -1);  // absent: neither drawn nor counted
    EXPECT_EQ(ChannelOf(table, 3), 2);
}

TEST(DisplayModelTest, SnapshotCopiesInHighlightAndSwitchesOff) {
    DisplayModel m;
    m.mainSet[2].displayOn = 1;
    m.mainSet[2].samples[5] = 1234;
    m.SetSnapshot(true);
    EXPECT_EQ(m.mainSnapshot[2].colour, 32u);
    EXPECT_EQ(m.mainSnapshot[2].samples[5], 1234);
    EXPECT_EQ(m.mainSnapshot[2].displayOn, 1);
    m.SetSnapshot(false);
    EXPECT_EQ(m.mainSnapshot[2].displayOn, 0);
}

TEST(DisplayModelTest, DivisionsStylesAndLightColours) {
    DisplayModel m;
    m.SetVerticalDivisions(16);
    EXPECT_EQ(m.Area(WindowId::Main).horizontalDivisions, 10);
    EXPECT_EQ(m.Area(WindowId::Zoom).verticalDivisions, 16);
    EXPECT_EQ(m.Area(WindowId::Xy).horizontalDivisions, 16);
    m.SetGraticuleStyle(2);
    EXPECT_EQ(m.Area(WindowId::Xy).graticuleStyle, 2);
    EXPECT_EQ(m.Area(WindowId::History).graticuleStyle, 4);
    m.SetLightMode(true);
    m.ApplyColours(false);
    EXPECT_EQ(m.mainSet[0].colour, 17u);  // current record: alternative set in light mode
    m.ApplyColours(true);
    EXPECT_EQ(m.mainSet[0].colour, 1u);
    ViewArea a;
    a.SetSplitCount(0);
    EXPECT_EQ(a.splitCount, 1);
    a.SetSplitCount(3);
    EXPECT_EQ(a.splitCount, 3);
}

}  // namespace
}  // namespace kivelo
