// kivelo-cli print: the printed page of a waveform file's frame as a one-page PDF.
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QString>

#include <sys/stat.h>
#include <cstdio>
#include <memory>
#include <string>

#include "CliArgs.h"
#include "CliEnvironment.h"
#include "app/export/CPrintPagePainter.h"
#include "app/export/DibImage.h"
#include "display/DisplayModel.h"
#include "display/DocumentBinding.h"
#include "display/RenderTarget.h"
#include "display/qt/FrameComposer.h"
#include "wavefile/WaveDocument.h"

namespace kivelo::cli {

namespace {

// The page is drawn as from a screen of 96 pixels per inch onto a 1200 dpi
// device, as a PDF printed from the program.
constexpr int kScreenDpi = 96;
constexpr int kPdfDpi = 1200;

const char kHelp[] =
    "Usage: kivelo-cli print FILE -o OUT.pdf [options]\n"
    "Writes the printed page of FILE (.wvf, .rtm or .fld) as a one-page PDF: the picture\n"
    "of the display windows that `kivelo-cli render` draws, in a thin black frame, with a\n"
    "header line above it, notes below it and a footer line near the bottom of the page.\n"
    "  -o OUT.pdf      the PDF file to write\n"
    "  --header TEXT   header line (default none)\n"
    "  --footer TEXT   footer line (default none)\n"
    "  --notes TEXT    notes; line feeds separate their lines (default none)\n"
    "  --light         light mode\n"
    "  --size WxH      frame size, 540x400 .. 2048x1200 (default 1280x1024)\n"
    "  --force         replace an existing OUT.pdf\n"
    "The page is A4, turned to whichever side fits the picture larger.\n"
    "Exit codes: 0 written, 1 failure, 2 usage error, 3 OUT.pdf exists.\n";

bool ParseSize(const std::string& text, int& w, int& h) {
    char x = 0;
    char rest = 0;
    return std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &rest) == 3 && (x == 'x' || x == 'X');
}

QString Q(const std::string* text) { return text ? QString::fromLocal8Bit(text->c_str()) : QString(); }

// A4 with no margins, in the orientation that shows the page larger.
QPageLayout PageFor(const app::CPrintPagePainter& page) {
    const QPageSize a4(QPageSize::A4);
    const QSize portrait = a4.sizePixels(kPdfDpi);
    const double upright = page.LayoutFor(kPdfDpi, kPdfDpi, portrait.width(), portrait.height()).fit;
    const double turned = page.LayoutFor(kPdfDpi, kPdfDpi, portrait.height(), portrait.width()).fit;
    return QPageLayout(a4, turned > upright ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
}

bool WritePdf(const std::string& path, const app::CPrintPagePainter& page, bool light) {
    QSaveFile file(QString::fromLocal8Bit(path.c_str()));
    if (!file.open(QIODevice::WriteOnly)) return false;
    {
        QPdfWriter pdf(&file);
        pdf.setResolution(kPdfDpi);
        pdf.setPageLayout(PageFor(page));
        pdf.setCreator(QStringLiteral("Kivelo"));
        QPainter painter;
        if (!painter.begin(&pdf) || !page.Paint(painter, false, light)) {
            file.cancelWriting();
            return false;
        }
        painter.end();
    }
    return file.commit();
}

}  // namespace

int RunPrint(int argc, char** argv) {
    // clang-format off
    CliArgs args({{"-o", true}, {"--header", true}, {"--footer", true}, {"--notes", true}, {"--light", false},
                  {"--size", true}, {"--force", false}});
    // clang-format on
    int exitCode = kExitOk;
    if (!args.ParseCommand(argc, argv, "print", kHelp, "FILE", exitCode)) return exitCode;
    const std::string* out = args.Value("-o");
    if (!out || out->empty() || !EndsWithNoCase(*out, "pdf")) return UsageError("print", "-o OUT.pdf is required");
    int frameW = 1280, frameH = 1024;
    if (const std::string* s = args.Value("--size")) {
        if (!ParseSize(*s, frameW, frameH) || frameW < kMinFrameWidth || frameH < kMinFrameHeight || frameW > 2048 ||
            frameH > 1200)
            return UsageError("print", "--size is WxH within 540x400 .. 2048x1200");
    }
    struct stat st {};
    if (!args.Has("--force") && ::lstat(out->c_str(), &st) == 0) return Report("File already exists.", kExitExists);

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
    m.SetLightMode(args.Has("--light"));
    const TextMetrics metrics = TextMetrics::Normal();
    const ComposedFrame frame = ComposeWindows(m, file.get(), frameW, frameH, metrics);
    std::string modelName;
    file->GetModel(modelName);
    const QImage whole = ComposeFramePicture(frame, "Waveform Viewer  " + path + "    Model " + modelName, metrics,
                                             frameW, frameH, m.Area(WindowId::Main).verticalDivisions);
    // The program prints the frame's window area: below the panel strip, inside the borders.
    const QImage area = whole.copy(4, metrics.panelHeight, frameW - 8, frameH - metrics.panelHeight - 22);
    const std::optional<PackedDib> picture = app::DibOfImage(area);
    if (!picture) return Report("the frame has no window area to print");

    const app::PrintTexts texts{Q(args.Value("--header")), Q(args.Value("--footer")), Q(args.Value("--notes"))};
    const app::CPrintPagePainter page(*picture, texts, kScreenDpi, kScreenDpi);
    if (!WritePdf(*out, page, args.Has("--light"))) return Report("cannot write " + *out);
    std::printf("PDF written to %s\n", out->c_str());
    return kExitOk;
}

}  // namespace kivelo::cli
