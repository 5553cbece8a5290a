#include "app/export/CPrintPagePainter.h"

#include <QPaintDevice>
#include <QPainter>

#include <cmath>

#include "app/export/DibImage.h"
#include "export/PrintColourRule.h"

namespace kivelo::app {

CPrintPagePainter::CPrintPagePainter(const PackedDib& picture, PrintTexts texts, int screenDpiX, int screenDpiY)
    : picture_(picture),
      texts_(std::move(texts)),
      screenDpiX_(std::max(screenDpiX, 1)),
      screenDpiY_(std::max(screenDpiY, 1)) {}

PrintPageLayout CPrintPagePainter::LayoutFor(int dpiX, int dpiY, double pageWidth, double pageHeight) const {
    PrintPageRequest r;
    r.pictureWidth = picture_.width;
    r.pictureHeight = picture_.height;
    r.ratioX = dpiX / screenDpiX_;
    r.ratioY = dpiY / screenDpiY_;
    r.header = texts_.header.toStdString();
    r.footer = texts_.footer.toStdString();
    r.notes = texts_.notes.toStdString();
    r.pageWidth = pageWidth;
    r.pageHeight = pageHeight;
    return PrintPage::LayOut(r);
}

PrintPageLayout CPrintPagePainter::LayoutFor(const QPainter& painter) const {
    const QPaintDevice* d = painter.device();
    return LayoutFor(d->logicalDpiX(), d->logicalDpiY(), d->width(), d->height());
}

bool CPrintPagePainter::Paint(QPainter& painter, bool monochrome, bool lightMode) const {
    PackedDib page = picture_;
    ApplyPrintColourRule(page.colourTable, monochrome, lightMode);
    const QImage image = ImageOfDib(page);
    if (image.isNull()) return false;
    const PrintPageLayout layout = LayoutFor(painter);

    painter.save();
    // Dropped pixels are left out, never blended with their neighbours.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    // A PDF would otherwise hold the picture as JPEG, whose blur brings back greys and near whites.
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    QFont font = painter.font();
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(layout.textHeight))));
    painter.setFont(font);
    painter.setPen(Qt::black);
    const double right = painter.device()->width();
    for (const PrintPageText& t : layout.texts)
        painter.drawText(QRectF(t.x, t.y, std::max(right - t.x, 1.0), layout.textHeight * 1.5),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, QString::fromStdString(t.text));
    for (const PrintPageRect& r : layout.frame) painter.fillRect(QRectF(r.x, r.y, r.width, r.height), Qt::black);
    const PrintPageRect& p = layout.picture;
    painter.drawImage(QRectF(p.x, p.y, p.width, p.height), image);
    painter.restore();
    return true;
}

}  // namespace kivelo::app
