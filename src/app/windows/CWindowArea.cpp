#include "app/windows/CWindowArea.h"

#include <QMouseEvent>
#include <QPainter>

#include "display/qt/FrameComposer.h"

namespace kivelo::app {
namespace {

constexpr int kHandle = 6;  // grab width of an edge, straddling it
// What shows where no window is: the frame's own background.
const QColor kBehindWindowsColour(0, 128, 0);

class CEdgeHandle : public QWidget {
public:
    CEdgeHandle(Edge edge, CWindowArea* area) : QWidget(area), edge_(edge), area_(area) {
        const bool vertical = edge == Edge::Columns;
        setCursor(vertical ? Qt::SplitHCursor : Qt::SplitVCursor);
        setObjectName(vertical                 ? QStringLiteral("columnEdge")
                      : edge == Edge::MainZoom ? QStringLiteral("mainZoomEdge")
                                               : QStringLiteral("historyXyEdge"));
        setAttribute(Qt::WA_NoSystemBackground);
        setAccessibleName(QStringLiteral("Window edge"));
    }

protected:
    void mouseMoveEvent(QMouseEvent* event) override {
        if (!(event->buttons() & Qt::LeftButton) || !area_->onEdgeDrag) return;
        const QPoint p = mapToParent(event->position().toPoint());
        area_->onEdgeDrag(edge_, edge_ == Edge::Columns ? p.x() : p.y());
    }
    void paintEvent(QPaintEvent*) override {}

private:
    Edge edge_;
    CWindowArea* area_;
};

QRect ToQ(const LayoutRect& r) { return QRect(r.x, r.y, r.width, r.height); }

}  // namespace

CWindowArea::CWindowArea(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("windowArea"));
    setAccessibleName(QStringLiteral("Display windows"));
    for (int i = 0; i < kWindowCount; ++i)
        windows_[static_cast<size_t>(i)] = new CDisplayWindow(static_cast<WindowId>(i), this);
    edges_ = {new CEdgeHandle(Edge::MainZoom, this), new CEdgeHandle(Edge::HistoryXy, this),
              new CEdgeHandle(Edge::Columns, this)};
}

void CWindowArea::Place(const LayoutResult& layout, bool force) {
    for (size_t i = 0; i < windows_.size(); ++i) {
        CDisplayWindow* w = windows_[i];
        const LayoutRect& r = layout.windows[i];
        const bool visible = layout.visible[i] && r.width > 0 && r.height > 0;
        if (force || r != placed_[i] || w->isVisible() != visible) w->setGeometry(ToQ(r));
        w->setVisible(visible);
        placed_[i] = r;
    }
    const LayoutRect& main = layout.windows[0];
    const LayoutRect& zoom = layout.windows[1];
    const LayoutRect& history = layout.windows[2];
    const LayoutRect& xy = layout.windows[3];
    const bool left = layout.visible[0] || layout.visible[1];
    const bool right = layout.visible[2] || layout.visible[3];
    edges_[0]->setVisible(layout.visible[0] && layout.visible[1]);
    edges_[0]->setGeometry(main.x, zoom.y - kHandle / 2, main.width, kHandle);
    edges_[1]->setVisible(layout.visible[2] && layout.visible[3]);
    edges_[1]->setGeometry(history.x, xy.y - kHandle / 2, history.width, kHandle);
    edges_[2]->setVisible(left && right);
    edges_[2]->setGeometry(history.x - kHandle / 2, history.y, kHandle, layout.usable.height);
    for (QWidget* e : edges_) e->raise();
}

void CWindowArea::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (onResize) onResize();
}

void CWindowArea::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), kBehindWindowsColour);
}

}  // namespace kivelo::app
