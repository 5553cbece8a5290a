#pragma once
// "Save  image as BMP file": the whole frame or one display window, exactly
// as the screen shows it, as an 8-bit BMP, or as a PNG of every colour of the
// same picture when the chosen name ends in .png.
#include <QImage>
#include <QString>

#include <optional>

#include "display/ViewArea.h"

namespace kivelo::app {

class CCommandHost;

class CImageExport {
public:
    explicit CImageExport(CCommandHost& frame);

    // window none: the whole frame.
    void Save(std::optional<WindowId> window);

    // What the screen shows of the frame (with its caption and borders where
    // the platform draws them and lets them be read) or of one window.
    static QImage CaptureFrame(CCommandHost& frame);
    static QImage CaptureWindow(CCommandHost& frame, WindowId window);
    // Writes the picture as BMP, or PNG for a name ending in .png; false when nothing was written.
    static bool WriteImage(const QImage& picture, const QString& path);
    // As above; `error` says why not (errno text of the failed write).
    static bool WriteImage(const QImage& picture, const QString& path, QString& error);

private:
    CCommandHost& frame_;
};

}  // namespace kivelo::app
