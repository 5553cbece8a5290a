#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "GoldenScenes.h"

namespace kivelo::test {
namespace {

// Regenerate with display_golden_update (it also writes PNGs to look at).
TEST(GoldenPlanes, ScenesMatchTheirGoldenBytes) {
    for (const GoldenScene& scene : GoldenScenes()) {
        RasterPlane plane;
        scene.draw(plane);
        const std::vector<char> bytes = EncodeScene(plane, scene.width, scene.height);
        std::ifstream in(GoldenPath(scene.name), std::ios::binary);
        ASSERT_TRUE(in) << "missing golden file for " << scene.name;
        const std::vector<char> golden((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_EQ(bytes.size(), golden.size()) << scene.name;
        size_t differing = 0;
        for (size_t i = 0; i < bytes.size(); ++i) differing += bytes[i] != golden[i];
        EXPECT_EQ(differing, 0u) << scene.name;
    }
}

}  // namespace
}  // namespace kivelo::test
