#pragma once
// Draws the printed page (header, picture in its frame, notes, footer) onto
// a printer, a print preview or a PDF file, from a captured picture. The
// program's Print and Print Preview and `kivelo-cli print` use this one
// drawing, so their pages agree.
#include <QString>

#include "export/BmpDib.h"
#include "export/PrintPageLayout.h"

class QPainter;

namespace kivelo::app {

struct PrintTexts {
    QString header;  // empty: no header line
    QString footer;
    QString notes;  // lines separated by line ends
};

class CPrintPagePainter {
public:
    // screenDpi: pixels per inch of the screen the picture was taken from.
    // monochrome: the device prints without colour; lightMode: the display's mode.
    CPrintPagePainter(const PackedDib& picture, PrintTexts texts, int screenDpiX, int screenDpiY);

    // The page's layout on the painter's device (its printable area and resolution).
    PrintPageLayout LayoutFor(const QPainter& painter) const;
    // Same, for a device of the given resolution and printable area in device pixels.
    PrintPageLayout LayoutFor(int dpiX, int dpiY, double pageWidth, double pageHeight) const;
    // Draws the page; false when the picture can't be drawn.
    bool Paint(QPainter& painter, bool monochrome, bool lightMode) const;

private:
    const PackedDib& picture_;
    PrintTexts texts_;
    int screenDpiX_;
    int screenDpiY_;
};

}  // namespace kivelo::app
