#pragma once
// The frame's client area: the four display windows where the layout puts
// them, and handles on their shared edges that resize them by dragging.
#include <QWidget>

#include <array>
#include <functional>

#include "app/windows/CDisplayWindow.h"
#include "display/WindowLayout.h"

namespace kivelo::app {

enum class Edge { MainZoom, HistoryXy, Columns };

class CWindowArea : public QWidget {
    Q_OBJECT
public:
    explicit CWindowArea(QWidget* parent);

    CDisplayWindow& Window(WindowId id) { return *windows_[static_cast<size_t>(id)]; }
    // Moves the windows to the layout (its coordinates are this widget's);
    // `force` moves even those whose rectangle is unchanged.
    void Place(const LayoutResult& layout, bool force);

    std::function<void()> onResize;
    // The user drags an edge to `position` (y for the row edges, x for the columns).
    std::function<void(Edge edge, int position)> onEdgeDrag;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<CDisplayWindow*, kWindowCount> windows_{};
    std::array<QWidget*, 3> edges_{};
    std::array<LayoutRect, kWindowCount> placed_{};
};

}  // namespace kivelo::app
