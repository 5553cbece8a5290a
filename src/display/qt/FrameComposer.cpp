#include "display/qt/FrameComposer.h"

#include <QPainter>
#include <QString>

#include <memory>

#include "display/RedrawAll.h"
#include "display/RenderTarget.h"
#include "display/WindowPlacement.h"
#include "display/qt/QtDisplayPainter.h"

namespace kivelo {
namespace {

constexpr std::array<const char*, kWindowCount> kWindowNames{"Main", "Zoom", "History", "XY"};

// Stand-in for a window's control panel: its name and the state the panel would show.
void DrawPanelStandIn(QImage& image, const DisplayModel& m, WindowId w, const TextMetrics& metrics) {
    QPainter p(&image);
    p.fillRect(0, 0, image.width(), kWindowPanelHeight, kPanelColour);
    p.setFont(QtDisplayPainter::DisplayFont(metrics));
    p.setPen(Qt::black);
    QString text = QString::fromLatin1(kWindowNames[static_cast<size_t>(w)]);
    switch (w) {
    case WindowId::Main: text += QStringLiteral("   SPLIT %1").arg(m.mainSplit); break;
    case WindowId::Zoom: {
        const auto& list = m.zoom.RatioTexts();
        if (m.zoom.Selected() < list.size())
            text += QStringLiteral("   ") + QString::fromStdString(list[m.zoom.Selected()]);
        text += QStringLiteral("   SPLIT %1").arg(m.zoom.splitCount);
        break;
    }
    case WindowId::History:
        text += QStringLiteral("   Size %1x%2").arg(m.history.Cell().width).arg(m.history.Cell().height);
        break;
    case WindowId::Xy:
        if (static_cast<size_t>(m.xy.xTrace) < m.xy.xTraceList.size())
            text += QStringLiteral("   X-TRACE ") +
                    QString::fromStdString(m.xy.xTraceList[static_cast<size_t>(m.xy.xTrace)]);
        text += m.xy.rangeMain ? QStringLiteral("   RANGE Main") : QStringLiteral("   RANGE Zoom");
        break;
    }
    p.drawText(QRect(6, 0, image.width() - 12, kWindowPanelHeight), Qt::AlignVCenter | Qt::AlignLeft, text);
}

}  // namespace

void RenderWindows(DisplayModel& model, RenderCache& cache, CWaveFile* file, std::array<QImage, kWindowCount>& images,
                   const TextMetrics& metrics, int frameWidth, int frameHeight, uint32_t windows) {
    std::array<std::unique_ptr<QtDisplayPainter>, kWindowCount> painters;
    std::array<DisplayPainter*, kWindowCount> targets{};
    for (size_t i = 0; i < images.size(); ++i) {
        if (images[i].isNull()) continue;
        painters[i] = std::make_unique<QtDisplayPainter>(images[i], metrics);
        targets[i] = painters[i].get();
    }
    PlaceWindows(model, cache, file, targets, metrics, frameWidth, frameHeight, windows);
    RedrawAll(model, cache, file, targets, metrics, frameWidth, frameHeight, windows);
}

ComposedFrame ComposeWindows(DisplayModel& m, RenderCache& cache, CWaveFile* file, int frameWidth, int frameHeight,
                             const TextMetrics& metrics) {
    ComposedFrame out;
    LayoutInput in;
    in.frame = {0, 0, frameWidth, frameHeight};
    in.metrics = metrics;
    in.shown = m.shown;
    in.shares = m.shares;
    out.layout = LayOutWindows(in);
    ApplyLayout(m, cache, out.layout);
    const Rgb bg = m.palette.Background();
    for (int i = 0; i < kWindowCount; ++i) {
        const LayoutRect& r = out.layout.windows[static_cast<size_t>(i)];
        if (r.width <= 0 || r.height <= 0) continue;
        QImage& image = out.windows[static_cast<size_t>(i)];
        image = QImage(r.width, r.height, QImage::Format_RGB32);
        image.fill(QColor(bg.r, bg.g, bg.b));
        DrawPanelStandIn(image, m, static_cast<WindowId>(i), metrics);
    }
    RenderWindows(m, cache, file, out.windows, metrics, frameWidth, frameHeight);
    return out;
}

QImage ComposeFramePicture(const ComposedFrame& frame, const std::string& caption, const TextMetrics& metrics,
                           int frameWidth, int frameHeight, int divisions) {
    QImage result(frameWidth, frameHeight, QImage::Format_RGB32);
    result.fill(kPanelColour);
    QPainter p(&result);
    p.setFont(QtDisplayPainter::DisplayFont(metrics));
    p.setPen(Qt::black);
    p.drawText(6, 4, frameWidth - 12, 16, Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(caption));
    const LayoutRect& t = frame.layout.toolbarPanel;
    p.drawRect(t.x, t.y, t.width - 1, t.height - 1);
    p.drawText(t.x + 6, t.y + 4, t.width - 12, 16, Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("WINDOW   GRATICULE   div %1   MOUSE CONTROL").arg(divisions));
    for (int i = 0; i < kWindowCount; ++i) {
        const LayoutRect& r = frame.layout.windows[static_cast<size_t>(i)];
        if (!frame.windows[static_cast<size_t>(i)].isNull())
            p.drawImage(r.x, r.y, frame.windows[static_cast<size_t>(i)]);
    }
    return result;
}

}  // namespace kivelo
