#pragma once
// One display window (Main, Zoom, History or XY): its panel strip on top and
// the traces below, painted from the image its last redraw produced, so an
// expose never reads the file. Mouse and keys go to the frame.
#include <QImage>
#include <QWidget>

#include <functional>

#include "display/MouseHandler.h"
#include "display/ViewArea.h"

namespace kivelo::app {

class CDisplayWindow : public QWidget {
    Q_OBJECT
public:
    CDisplayWindow(WindowId id, QWidget* parent);

    // A fresh image of the window's size for the next redraw (device pixels,
    // at the screen's pixel ratio), keeping the last picture where it overlaps.
    QImage& PrepareImage();
    QImage& Image() { return image_; }
    void SetImage(QImage image);

    std::function<void(const MouseInput&)> onMouse;
    std::function<void(const WheelInput&)> onWheel;
    // A double click at (x, y); false lets it count as a second press.
    std::function<bool(int x, int y)> onDoubleClick;
    std::function<bool(int key, Qt::KeyboardModifiers modifiers)> onKey;
    std::function<void(int width, int height)> onResize;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void Forward(QMouseEvent* event, MouseAction action);

    WindowId id_;
    QImage image_;
    QPoint wheelRest_;  // eighths of a degree not yet a whole notch (touchpads)
};

}  // namespace kivelo::app
