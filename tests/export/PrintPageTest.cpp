// The printed page's layout and its colour rules.
#include <gtest/gtest.h>

#include "export/PrintColourRule.h"
#include "export/PrintPageLayout.h"

namespace kivelo {
namespace {

PrintPageRequest Request(int w, int h, int ratio, std::string notes = {}) {
    PrintPageRequest r;
    r.pictureWidth = w;
    r.pictureHeight = h;
    r.ratioX = r.ratioY = ratio;
    r.header = "header";
    r.footer = "footer";
    r.notes = std::move(notes);
    return r;
}

double TopOf(const PrintPageLayout& l, const std::string& text) {
    for (const PrintPageText& t : l.texts)
        if (t.text == text) return t.y;
    return -1;
}

TEST(PrintPage, PartsSitWhereTheScreenPixelsPutThemTimesTheRatio) {
    const PrintPageLayout l = PrintPage::LayOut(Request(500, 300, 3, "one\r\ntwo\r\nthree"));
    EXPECT_EQ(l.fit, 1);
    ASSERT_EQ(l.texts.size(), 5u);
    const double expected[][2] = {{180, 180}, {180, 1230}, {180, 1290}, {180, 1350}, {180, 3180}};
    for (std::size_t i = 0; i < l.texts.size(); ++i) {
        EXPECT_EQ(l.texts[i].x, expected[i][0]) << i;
        EXPECT_EQ(l.texts[i].y, expected[i][1]) << i;
    }
    EXPECT_EQ(l.texts[0].text, "header");
    EXPECT_EQ(l.texts[4].text, "footer");
    // left, right, top, bottom: one screen pixel wide each
    const PrintPageRect frame[] = {{177, 267, 3, 906}, {1683, 267, 3, 906}, {177, 267, 1506, 3}, {177, 1173, 1506, 3}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(l.frame[i].x, frame[i].x) << i;
        EXPECT_EQ(l.frame[i].y, frame[i].y) << i;
        EXPECT_EQ(l.frame[i].width, frame[i].width) << i;
        EXPECT_EQ(l.frame[i].height, frame[i].height) << i;
    }
    EXPECT_EQ(l.picture.x, 180);
    EXPECT_EQ(l.picture.y, 270);
    EXPECT_EQ(l.picture.width, 1500);
    EXPECT_EQ(l.picture.height, 900);
}

TEST(PrintPage, NotesAreCutTo1024CharactersAndSplitAtAnyLineEnd) {
    EXPECT_EQ(PrintPage::NoteLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(PrintPage::NoteLines("a\r\n\r\nc"), (std::vector<std::string>{"a", "", "c"}));
    EXPECT_TRUE(PrintPage::NoteLines("").empty());
    std::string many;
    for (int i = 0; i < 1100; ++i) many += "\xC3\xA4";  // two bytes, one character
    const auto lines = PrintPage::NoteLines(many);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), 2048u);
}

// A tall picture or long notes would cover the footer line: it goes below them.
TEST(PrintPage, FooterStaysClearOfPictureAndNotes) {
    const PrintPageLayout tall = PrintPage::LayOut(Request(400, 1000, 1, "n1\nn2"));
    EXPECT_EQ(TopOf(tall, "footer"), 1000 + 110 + 40);
    EXPECT_EQ(TopOf(tall, "n2"), 1000 + 130);
    EXPECT_EQ(TopOf(PrintPage::LayOut(Request(400, 300, 1, "n1")), "footer"), 1060);
}

// A page larger than the paper shrinks as a whole: the same proportions, inside the paper.
TEST(PrintPage, PageLargerThanThePaperShrinksAsAWhole) {
    PrintPageRequest r = Request(1272, 931, 12, "n");
    r.pageWidth = 9921;  // A4 at 1200 dpi
    r.pageHeight = 14031;
    const PrintPageLayout l = PrintPage::LayOut(r);
    ASSERT_LT(l.fit, 1);
    EXPECT_DOUBLE_EQ(l.scaleX, 12 * l.fit);
    EXPECT_DOUBLE_EQ(l.scaleX, l.scaleY);
    const PrintPageRect& right = l.frame[1];
    EXPECT_LE(right.x + right.width + 60 * l.scaleX, r.pageWidth + 1e-6);
    EXPECT_LE(TopOf(l, "footer") + l.textHeight, r.pageHeight);
    EXPECT_DOUBLE_EQ(l.picture.width, 1272 * l.scaleX);
    EXPECT_DOUBLE_EQ(TopOf(l, "header"), 60 * l.scaleY);
    // A page that fits is never enlarged.
    r.pageWidth = r.pageHeight = 1e9;
    EXPECT_EQ(PrintPage::LayOut(r).fit, 1);
}

TEST(PrintColourRule, MonochromeByModeAndCleanupOnColour) {
    const std::vector<BmpColour> table = {
        {0x20, 0x20, 0x20, 0}, {0x40, 0x40, 0x40, 0}, {0x50, 0x50, 0x50, 0}, {0x60, 0x60, 0x60, 0},
        {0x70, 0x70, 0x70, 0}, {0xF7, 0xF7, 0xF7, 0}, {0x0F, 0x0F, 0x0F, 0}, {0xFF, 0x00, 0xFF, 0},
        {0xC4, 0x5E, 0x2B, 0}, {0xFB, 0xF0, 0xF5, 0},
    };
    const BmpColour k{0, 0, 0, 0}, w{0xFF, 0xFF, 0xFF, 0};
    struct Row {
        bool monochrome, light;
        std::vector<BmpColour> want;
    };
    const Row rows[] = {
        // entry 0 and 5.. by the near-white rule, 1..4 white, any zero component black
        {true, true, {k, w, w, w, w, w, k, k, k, w}},
        // entry 0 and 4.. by the near-black rule, 1..3 white
        {true, false, {w, w, w, w, w, w, k, k, w, w}},
        {false, true, {table[0], table[1], table[2], table[3], table[4], w, k, table[7], table[8], w}},
    };
    for (const Row& r : rows) {
        std::vector<BmpColour> t = table;
        ApplyPrintColourRule(t, r.monochrome, r.light);
        EXPECT_EQ(t, r.want) << r.monochrome << r.light;
    }
    // Not to be applied twice: pure white outside entries 1 to 4 is no near white.
    std::vector<BmpColour> twice = rows[0].want;
    ApplyPrintColourRule(twice, true, true);
    EXPECT_NE(twice, rows[0].want);
}

}  // namespace
}  // namespace kivelo
