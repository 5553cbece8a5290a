// Rewrites the golden files, and beside each plane a PNG through the display palette.
#include <cstdio>
#include <fstream>

#include "DisplayPalette.h"
#include "GoldenScenes.h"
#include "Present.h"
#include "QtDisplayPainter.h"

int main() {
    using namespace kivelo;
    using namespace kivelo::test;
    for (const GoldenScene& scene : GoldenScenes()) {
        RasterPlane plane;
        std::string log;
        scene.draw(plane, log);
        if (!log.empty()) std::ofstream(GoldenPath(scene.name, ".log"), std::ios::binary) << log;
        if (scene.width == 0) continue;  // no plane
        const std::vector<char> bytes = EncodeScene(plane, scene.width, scene.height);
        std::ofstream(GoldenPath(scene.name, ".plane"), std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        const DisplayPalette palette;
        const IndexedImage image = PresentPlane(plane, palette, 0, 0, scene.width, scene.height);
        QtDisplayPainter::ToQImage(image).save(QString::fromStdString(GoldenPath(scene.name, ".png")));
        std::printf("%s\n", scene.name.c_str());
    }
    return 0;
}
