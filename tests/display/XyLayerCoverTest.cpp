// The pieces that let a dense XY figure be drawn from its end: which layers count
// as without holes, and the pixels in reach.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/XyLayerCover.h"

namespace kivelo {
namespace {

// A layer from rows of text: '.' unpainted, a digit its colour code.
XyLayer LayerOf(const std::vector<std::string>& rows) {
    XyLayer layer{100, 200, static_cast<int64_t>(rows[0].size()), {}};
    for (const std::string& row : rows)
        for (const char c : row) layer.codes.push_back(c == '.' ? 0 : static_cast<uint8_t>(c - '0'));
    return layer;
}

TEST(XyLayerCover, DenseWithoutGapsAlongRowsAndColumnsAndFillingHalfItsRectangle) {
    EXPECT_FALSE(Dense(LayerOf({"....", "...."})));  // nothing painted
    EXPECT_TRUE(Dense(LayerOf({"....", ".1..", "...."})));
    // Rectangles of several traces around a common centre, corners left out.
    EXPECT_TRUE(Dense(LayerOf({"......", "..22..", ".1111.", ".1211.", "..22..", "......"})));
    EXPECT_FALSE(Dense(LayerOf({"1...", ".1..", "..1.", "...1"})));               // a line
    EXPECT_FALSE(Dense(LayerOf({".....", ".111.", ".1.1.", ".111.", "....."})));  // a ring
    EXPECT_FALSE(Dense(LayerOf({"11.11", "....."})));                             // a gap in a row
    EXPECT_FALSE(Dense(LayerOf({"1...", "....", "1..."})));                       // a gap in a column
}

TEST(XyLayerCover, ReachCountsPixelsStrictlyInsideOnce) {
    // A 6 x 5 area at (100, 200): pixels strictly inside are columns 101..105, rows 201..204.
    XyReach reach(100, 200, 6, 5);
    reach.AddRectangle(103, 99, 202, 203);   // columns 101..103 after the edge, rows 202..203
    reach.AddRectangle(102, 104, 207, 203);  // overlaps: columns 102..104, rows 203..204
    EXPECT_EQ(reach.Count(), 6 + 6 - 2);     // the shared pixels once
    EXPECT_TRUE(reach.Has(2 * 6 + 1));       // (101, 202)
    EXPECT_FALSE(reach.Has(0 * 6 + 1));      // the top edge
    EXPECT_FALSE(reach.Has(4 * 6 + 5));      // (105, 204): in neither rectangle
}

}  // namespace
}  // namespace kivelo
