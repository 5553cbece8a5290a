// Where the frame goes at start: the saved rectangle while a screen shows it.
#include <gtest/gtest.h>

#include <vector>

#include "app/core/FramePlacement.h"

namespace kivelo::app {
namespace {

TEST(FramePlacement, TheSavedPlaceWhileAScreenShowsItsTitle) {
    const std::vector<FrameRect> one{{0, 0, 1920, 1080}};
    const std::vector<FrameRect> two{{0, 0, 1920, 1080}, {-2560, -200, 0, 1240}};
    struct Case {
        const char* what;
        FrameRect saved;
        const std::vector<FrameRect>* screens;
        bool restored;
    };
    const Case cases[] = {
        {"inside", {100, 80, 1380, 1000}, &one, true},
        {"larger than the old 1285 x 1025 limit", {0, 0, 2500, 1400}, &one, true},
        {"at the origin", {0, 0, 800, 600}, &one, true},
        {"on the second screen, left of the first", {-2400, -100, -400, 1000}, &two, true},
        {"the second screen is gone", {-2400, -100, -400, 1000}, &one, false},
        {"title above the screen", {100, -300, 900, 10}, &one, false},
        {"only a sliver of the title shows", {1900, 100, 2700, 800}, &one, false},
        {"below every screen", {100, 1100, 900, 1700}, &one, false},
        {"smaller than the frame's minimum", {100, 100, 500, 300}, &one, false},
        {"empty", {0, 0, 0, 0}, &one, false},
        {"upside down", {900, 800, 100, 100}, &one, false},
        {"absurdly large", {0, 0, 2000000000, 1000}, &one, false},
        {"no screens at all", {100, 80, 1380, 1000}, nullptr, false},
    };
    for (const Case& c : cases) {
        const std::vector<FrameRect> none;
        const auto placed = RestoredFramePlacement(c.saved, c.screens ? *c.screens : none);
        EXPECT_EQ(placed.has_value(), c.restored) << c.what;
        if (placed) EXPECT_EQ(*placed, c.saved) << c.what;
    }
}

}  // namespace
}  // namespace kivelo::app
