#include "app/analysis/CFollowingWindow.h"

#include <QMainWindow>
#include <QTimer>

#include "app/frame/CCommandHost.h"

namespace kivelo::app {

CFollowingWindow::CFollowingWindow(CCommandHost& frame, int followMs)
    : QWidget(&frame.Widget(), Qt::Tool), follow_(new QTimer(this)) {
    follow_->setInterval(followMs);
    connect(follow_, &QTimer::timeout, this, [this] { Follow(); });
}

void CFollowingWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    follow_->start();
    Follow();
}

void CFollowingWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closedByUser();
}

void CFollowingWindow::hideEvent(QHideEvent* event) {
    follow_->stop();
    QWidget::hideEvent(event);
}

}  // namespace kivelo::app
