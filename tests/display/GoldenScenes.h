#pragma once
// Scenes kept as golden files under golden/: the bytes of the plane's top-left
// width x height (none when 0) and a text log (painter calls, or state tables).
#include <string>
#include <vector>

#include "RasterPlane.h"

namespace kivelo::test {

struct GoldenScene {
    std::string name;
    int width;
    int height;
    void (*draw)(RasterPlane& plane, std::string& log);
};

const std::vector<GoldenScene>& GoldenScenes();

// "KVPL <width> <height>\n" and the rows of the plane's top-left rectangle.
std::vector<char> EncodeScene(const RasterPlane& plane, int width, int height);
// golden/<name><ext>: ".plane", ".log" or ".png".
std::string GoldenPath(const std::string& name, const std::string& ext);

}  // namespace kivelo::test
