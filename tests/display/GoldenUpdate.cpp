// Rewrites the golden plane files, and beside each a PNG through the display palette.
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <fstream>

#include "DisplayPalette.h"
#include "GoldenScenes.h"
#include "Present.h"

int main(int argc, char** argv) {
    using namespace kivelo;
    using namespace kivelo::test;
    for (const GoldenScene& scene : GoldenScenes()) {
        RasterPlane plane;
        scene.draw(plane);
        const std::vector<char> bytes = EncodeScene(plane, scene.width, scene.height);
        const std::string path = GoldenPath(scene.name);
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        const DisplayPalette palette;
        const IndexedImage image = PresentPlane(plane, palette, 0, 0, scene.width, scene.height);
        QImage q(image.pixels.data(), image.width, image.height, image.width, QImage::Format_Indexed8);
        QList<QRgb> table;
        for (const Rgb& c : image.palette) table.push_back(qRgb(c.r, c.g, c.b));
        q.setColorTable(table);
        const std::string png = path.substr(0, path.size() - 6) + ".png";
        q.save(QString::fromStdString(png));
        std::printf("%s\n%s\n", path.c_str(), png.c_str());
    }
    (void)argc;
    (void)argv;
    return 0;
}
