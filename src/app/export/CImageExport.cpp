#include "app/export/CImageExport.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QMainWindow>
#include <QPixmap>
#include <QScreen>

#include <unordered_map>
#include <vector>

#include "app/export/DibImage.h"
#include "app/export/ExportPrompts.h"
#include "app/frame/CCommandHost.h"
#include "app/windows/CWindowArea.h"
#include "common/StagedFile.h"
#include "export/BmpWriter.h"

namespace kivelo::app {

using namespace prompt;

namespace {

// The picture with the saved images' colour clean-up applied to every pixel.
QImage CleanedImage(const QImage& picture) {
    QImage image = picture.convertToFormat(QImage::Format_RGB32);
    std::unordered_map<QRgb, QRgb> done;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            auto [it, added] = done.try_emplace(row[x], row[x]);
            if (added) {
                std::vector<BmpColour> one{{uint8_t(qBlue(row[x])), uint8_t(qGreen(row[x])), uint8_t(qRed(row[x])), 0}};
                ApplyColourCleanup(one);
                it->second = qRgb(one[0].red, one[0].green, one[0].blue);
            }
            row[x] = it->second;
        }
    }
    return image;
}

}  // namespace

CImageExport::CImageExport(CCommandHost& frame) : frame_(frame) {}

QImage CImageExport::CaptureFrame(CCommandHost& frame) {
    const QRect outer = frame.Widget().frameGeometry();
    // Caption and borders belong to the window manager: only the screen has
    // them, and only X11 lets a program read the screen.
    if (outer != frame.Widget().geometry() && QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (QScreen* screen = frame.Widget().screen()) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            const QPoint at = outer.topLeft() - screen->geometry().topLeft();
            const QPixmap shot = screen->grabWindow(0, at.x(), at.y(), outer.width(), outer.height());
            if (!shot.isNull()) return shot.toImage();
        }
    }
    return frame.Widget().grab().toImage();
}

QImage CImageExport::CaptureWindow(CCommandHost& frame, WindowId window) {
    // The window's picture with its panel controls over it, as on the screen.
    return frame.Area().Window(window).grab().toImage();
}

bool CImageExport::WriteImage(const QImage& picture, const QString& path) {
    QString error;
    return WriteImage(picture, path, error);
}

bool CImageExport::WriteImage(const QImage& picture, const QString& path, QString& error) {
    if (!path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) {
        const std::optional<PackedDib> dib = DibOfImage(picture);
        if (!dib) {
            error = QStringLiteral("The picture cannot be made into a bitmap");
            return false;
        }
        std::string why;
        if (WriteBmp(path.toStdString(), *dib, why) == 1) return true;
        error = QString::fromStdString(why);
        return false;
    }
    // A PNG keeps every colour of the screen, cleaned up as in a BMP.
    // Staged like every other output: complete or absent, no stray left in sight.
    const QImage cleaned = CleanedImage(picture);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (cleaned.isNull() || !buffer.open(QIODevice::WriteOnly) || !cleaned.save(&buffer, "PNG")) {
        error = QStringLiteral("The picture cannot be made into a PNG image");
        return false;
    }
    StagedFile file(0);
    if (file.Create(path.toStdString(), StagedFile::Existing::Replace) &&
        file.Append(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))) && file.Commit())
        return true;
    error = QString::fromStdString(file.Error());
    return false;
}

void CImageExport::Save(std::optional<WindowId> window) {
    const std::optional<QString> path = AskSaveName(frame_, kImageFilter, "bmp");
    if (!path || !MayWrite(frame_, *path)) {
        frame_.Model().redraw.MarkAll(true);
        return;
    }
    // Drawn now, not marked: the picture is taken next.
    frame_.RedrawWindows(kAllWindows);
    const QImage picture = window ? CaptureWindow(frame_, *window) : CaptureFrame(frame_);
    QString error;
    if (!WriteImage(picture, *path, error))
        ShowError(frame_, QStringLiteral("The image was not written to\n") + *path + QStringLiteral("\n") + error);
}

}  // namespace kivelo::app
