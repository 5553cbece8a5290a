#pragma once
// Scenes kept as golden files under golden/: the plane's top-left width x height
// (none when 0) and a text log (painter calls, or state tables).
#include <ostream>
#include <string>
#include <vector>

#include "GoldenFile.h"
#include "display/RasterPlane.h"

namespace kivelo::test {

struct GoldenScene {
    std::string name;
    int width;
    int height;
    void (*draw)(RasterPlane& plane, std::string& log);
};

const std::vector<GoldenScene>& GoldenScenes();
inline void PrintTo(const GoldenScene& scene, std::ostream* os) { *os << scene.name; }

// The plane's top-left width x height, in the display palette's colours.
GoldenPicture ScenePicture(const RasterPlane& plane, int width, int height);
// golden/<name><ext> from the source tree: ".plane" or ".log".
std::string GoldenPath(const std::string& name, const std::string& ext);

}  // namespace kivelo::test
