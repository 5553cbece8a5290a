#pragma once
// Plane scenes whose bytes are kept as golden files under golden/.
#include <string>
#include <vector>

#include "RasterPlane.h"

namespace kivelo::test {

struct GoldenScene {
    std::string name;
    int width;
    int height;
    void (*draw)(RasterPlane& plane);
};

const std::vector<GoldenScene>& GoldenScenes();

// "KVPL <width> <height>\n" and the rows of the plane's top-left rectangle.
std::vector<char> EncodeScene(const RasterPlane& plane, int width, int height);
std::string GoldenPath(const std::string& name);

}  // namespace kivelo::test
