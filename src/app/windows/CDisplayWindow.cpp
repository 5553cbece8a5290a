#include "app/windows/CDisplayWindow.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "display/qt/FrameComposer.h"

namespace kivelo::app {
namespace {

const char* NameOf(WindowId id) {
    switch (id) {
    case WindowId::Main: return "Main window";
    case WindowId::Zoom: return "Zoom window";
    case WindowId::History: return "History window";
    case WindowId::Xy: return "XY window";
    }
    return "";
}

}  // namespace

CDisplayWindow::CDisplayWindow(WindowId id, QWidget* parent) : QWidget(parent), id_(id) {
    static constexpr const char* kObjectNames[] = {"mainWindow", "zoomWindow", "historyWindow", "xyWindow"};
    setObjectName(QString::fromLatin1(kObjectNames[static_cast<int>(id)]));
    setAccessibleName(QString::fromLatin1(NameOf(id)));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(false);
}

QImage& CDisplayWindow::PrepareImage() {
    const qreal dpr = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * dpr).toSize();
    if (image_.size() != pixels || image_.devicePixelRatio() != dpr) {
        QImage fresh(pixels, QImage::Format_RGB32);
        fresh.setDevicePixelRatio(dpr);
        fresh.fill(kPanelColour);
        if (!image_.isNull()) {
            QPainter p(&fresh);
            p.drawImage(0, 0, image_);
        }
        image_ = std::move(fresh);
    }
    return image_;
}

void CDisplayWindow::SetImage(QImage image) {
    image_ = std::move(image);
    update();
}

void CDisplayWindow::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    if (image_.isNull()) {
        p.fillRect(rect(), kPanelColour);
        return;
    }
    p.drawImage(event->rect(), image_,
                QRectF(QPointF(event->rect().topLeft()) * image_.devicePixelRatio(),
                       QSizeF(event->rect().size()) * image_.devicePixelRatio()));
    const QSizeF shown = image_.deviceIndependentSize();
    if (shown.width() < width()) p.fillRect(QRectF(shown.width(), 0, width() - shown.width(), height()), kPanelColour);
    if (shown.height() < height())
        p.fillRect(QRectF(0, shown.height(), width(), height() - shown.height()), kPanelColour);
}

void CDisplayWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (onResize) onResize(width(), height());
}

void CDisplayWindow::Forward(QMouseEvent* event, MouseAction action) {
    if (!onMouse) return;
    MouseInput in;
    in.window = id_;
    in.x = static_cast<int>(event->position().x());
    in.y = static_cast<int>(event->position().y());
    in.action = action;
    in.ctrl = event->modifiers() & Qt::ControlModifier;
    const Qt::MouseButtons buttons = action == MouseAction::Move ? event->buttons() : Qt::MouseButtons(event->button());
    if (buttons & Qt::LeftButton) {
        in.button = MouseButton::Left;
    } else if (buttons & Qt::RightButton) {
        in.button = MouseButton::Right;
    } else if (buttons & Qt::MiddleButton) {
        in.button = MouseButton::Middle;
    } else {
        return;
    }
    onMouse(in);
}

void CDisplayWindow::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    Forward(event, MouseAction::Press);
}

void CDisplayWindow::mouseMoveEvent(QMouseEvent* event) { Forward(event, MouseAction::Move); }
void CDisplayWindow::mouseReleaseEvent(QMouseEvent* event) { Forward(event, MouseAction::Release); }
// A double click is a second press, unless the frame gives it a meaning there.
void CDisplayWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton && onDoubleClick && onDoubleClick(p.x(), p.y())) return;
    Forward(event, MouseAction::Press);
}

void CDisplayWindow::wheelEvent(QWheelEvent* event) {
    if (!onWheel) {
        event->ignore();
        return;
    }
    wheelRest_ += event->angleDelta();
    const int vertical = wheelRest_.y() / 120, horizontal = wheelRest_.x() / 120;
    wheelRest_ -= QPoint(horizontal * 120, vertical * 120);
    const QPoint p = event->position().toPoint();
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    // Shift turns the vertical wheel into scrolling (some systems deliver it as horizontal).
    if (horizontal != 0) onWheel(WheelInput{id_, p.x(), p.y(), -horizontal, true});
    if (vertical != 0) onWheel(WheelInput{id_, p.x(), p.y(), shift ? -vertical : vertical, shift});
    event->accept();
}

void CDisplayWindow::keyPressEvent(QKeyEvent* event) {
    if (onKey && onKey(event->key(), event->modifiers())) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace kivelo::app
