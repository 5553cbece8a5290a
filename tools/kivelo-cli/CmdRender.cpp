// kivelo-cli render: draws the display windows of a waveform file into an image.
#include <QGuiApplication>
#include <QImage>
#include <QSaveFile>
#include <QString>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "CliArgs.h"
#include "CliEnvironment.h"
#include "display/DisplayModel.h"
#include "display/DocumentBinding.h"
#include "display/RenderTarget.h"
#include "display/qt/FrameComposer.h"
#include "export/BmpDib.h"
#include "export/BmpWriter.h"
#include "wavefile/WaveDocument.h"

namespace kivelo::cli {

namespace {

const char kHelp[] =
    "Usage: kivelo-cli render FILE -o OUT.bmp|OUT.png [options]\n"
    "Draws the display windows of FILE (.wvf, .rtm or .fld) as the program shows them\n"
    "after opening it, and writes the chosen window or the whole frame as an image.\n"
    "  --window all|main|zoom|history|xy   what to write (default all: the whole frame)\n"
    "  --size WxH            frame size, 540x400 .. 2048x1200 (default 1280x1024)\n"
    "  --record N            current record (default 0)\n"
    "  --light               light mode\n"
    "  --split N             split count 1..16 of the Main and Zoom windows\n"
    "  --div 4|8|10|16|20    vertical divisions\n"
    "  --graticule 0|1|2     graticule style\n"
    "  --zoom-entry N        entry of the zoom ratio list (default 0)\n"
    "  --position F          start of the zoomed stretch as a fraction 0..1 of the record\n"
    "  --cursors MES_X,REF_X cursor columns (window x) of the Main and Zoom windows\n";

bool ParseSize(const std::string& text, int& w, int& h) {
    char x = 0;
    char rest = 0;
    return std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &rest) == 3 && (x == 'x' || x == 'X');
}

bool WriteImage(const QImage& image, const std::string& path) {
    if (EndsWithNoCase(path, "bmp")) {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        CapturedPicture picture;
        picture.width = rgb.width();
        picture.height = rgb.height();
        picture.bitsPerPixel = 32;
        picture.rowBytes = static_cast<int>(rgb.bytesPerLine());
        const uchar* bits = rgb.constBits();
        picture.pixels.assign(bits, bits + rgb.sizeInBytes());
        const auto dib = ToPackedDib(picture);
        return dib && WriteBmp(path, *dib) == 1;
    }
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (!image.save(&file, "PNG")) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace

int RunRender(int argc, char** argv) {
    // clang-format off
    CliArgs args({{"-o", true}, {"--window", true}, {"--size", true}, {"--record", true}, {"--light", false},
                  {"--split", true}, {"--div", true}, {"--graticule", true}, {"--zoom-entry", true},
                  {"--position", true}, {"--cursors", true}});
    // clang-format on
    if (!args.Parse(argc, argv)) return UsageError("render", args.Error());
    if (args.HelpAsked()) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    if (args.Positional().size() != 1) return UsageError("render", "give exactly one FILE");
    const std::string* out = args.Value("-o");
    if (!out || !(EndsWithNoCase(*out, "bmp") || EndsWithNoCase(*out, "png")))
        return UsageError("render", "-o OUT.bmp or OUT.png is required");

    int window = -1;  // -1: all
    if (const std::string* w = args.Value("--window")) {
        const std::array<const char*, kWindowCount> names{"main", "zoom", "history", "xy"};
        if (*w != "all") {
            for (int i = 0; i < kWindowCount; ++i)
                if (*w == names[static_cast<size_t>(i)]) window = i;
            if (window < 0) return UsageError("render", "--window is all, main, zoom, history or xy");
        }
    }
    int frameW = 1280, frameH = 1024;
    if (const std::string* s = args.Value("--size")) {
        if (!ParseSize(*s, frameW, frameH) || frameW < kMinFrameWidth || frameH < kMinFrameHeight || frameW > 2048 ||
            frameH > 1200)
            return UsageError("render", "--size is WxH within 540x400 .. 2048x1200");
    }
    int64_t record = 0, split = 1, div = 10, graticule = 0, zoomEntry = 0;
    if (!args.IntValue("--record", 0, 0, 999, record) || !args.IntValue("--split", 1, 1, 16, split) ||
        !args.IntValue("--div", 10, 4, 20, div) || !args.IntValue("--graticule", 0, 0, 2, graticule) ||
        !args.IntValue("--zoom-entry", 0, 0, 24, zoomEntry))
        return UsageError("render", args.Error());
    if (div != 4 && div != 8 && div != 10 && div != 16 && div != 20)
        return UsageError("render", "--div is 4, 8, 10, 16 or 20");
    double position = 0.0;
    if (const std::string* p = args.Value("--position")) {
        char* end = nullptr;
        position = std::strtod(p->c_str(), &end);
        if (end == p->c_str() || *end != '\0' || !(position >= 0.0 && position <= 1.0))
            return UsageError("render", "--position is a fraction 0..1");
    }
    int mesX = -1, refX = -1;
    if (const std::string* c = args.Value("--cursors")) {
        char rest = 0;
        if (std::sscanf(c->c_str(), "%d,%d%c", &mesX, &refX, &rest) != 2)
            return UsageError("render", "--cursors is MES_X,REF_X");
    }

    const std::string& path = args.Positional()[0];
    std::string error;
    std::unique_ptr<CWaveFile> file = OpenWaveFileAt(path, 0, error, ReaderOptions());
    if (!file) return Report(error);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QGuiApplication app(qtArgc, qtArgv);

    auto model = std::make_unique<DisplayModel>();
    DisplayModel& m = *model;
    BindDocument(m, *file);
    if (record >= m.document.recordCount) {
        return Report("record " + std::to_string(record) + " not in the file (" +
                      std::to_string(m.document.recordCount) + " records)");
    }
    m.document.currentRecord = static_cast<int>(record);
    m.SetLightMode(args.Has("--light"));
    m.mainSplit = static_cast<int>(split);
    m.zoom.splitCount = static_cast<int>(split);
    m.SetVerticalDivisions(static_cast<int>(div));
    m.SetGraticuleStyle(static_cast<int>(graticule));
    const int64_t L = m.document.recordLength;
    if (zoomEntry > 0 && !m.zoom.SelectZoomRatio(static_cast<uint32_t>(zoomEntry), L))
        return UsageError("render", "--zoom-entry beyond the ratio list (" +
                                        std::to_string(m.zoom.RatioTexts().size()) + " entries)");
    if (args.Value("--position")) m.zoom.SetPosition(position * 1e11, L);
    if (mesX >= 0 || refX >= 0) m.cursors.SetColumns(mesX, refX);

    const TextMetrics metrics = TextMetrics::Normal();
    const ComposedFrame frame = ComposeWindows(m, file.get(), frameW, frameH, metrics);
    QImage result;
    if (window >= 0) {
        result = frame.windows[static_cast<size_t>(window)];
        if (result.isNull()) return Report("the window has no room in this frame");
    } else {
        std::string model;
        file->GetModel(model);
        result = ComposeFramePicture(frame, "Waveform Viewer  " + path + "    Model " + model, metrics, frameW, frameH,
                                     static_cast<int>(div));
    }
    if (!WriteImage(result, *out)) return Report("cannot write " + *out);
    return kExitOk;
}

}  // namespace kivelo::cli
