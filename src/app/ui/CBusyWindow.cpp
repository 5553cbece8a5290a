#include "app/ui/CBusyWindow.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <atomic>
#include <cmath>
#include <thread>

namespace kivelo::app {

CBusyWindow::CBusyWindow(QWidget* frame) : QDialog(frame, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("busyWindow"));
    setWindowTitle(QStringLiteral("BUSY"));
    setAccessibleName(QStringLiteral("Busy"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    text_ = new QLabel(this);
    text_->setObjectName(QStringLiteral("busyText"));
    text_->setAccessibleName(QStringLiteral("What the program is doing"));
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("busyProgress"));
    progress_->setAccessibleName(QStringLiteral("Progress"));
    progress_->setRange(0, 1000);
    progress_->setTextVisible(true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("busyCancel"));
    cancel_->setAccessibleName(QStringLiteral("Cancel the work"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 22, 20, 12);
    layout->addWidget(text_);
    layout->addWidget(progress_);
    layout->addWidget(cancel_, 0, Qt::AlignRight);
    connect(cancel_, &QPushButton::clicked, this, &CBusyWindow::reject);
    progress_->hide();
    cancel_->hide();
    setMinimumSize(240, 120);
    giveUp_ = new QTimer(this);
    giveUp_->setSingleShot(true);
    giveUp_->setInterval(kGiveUpMs);
    connect(giveUp_, &QTimer::timeout, this, [this] {
        if (!running_) return;
        // The worker is left to return in its own time; the window must not wait on it.
        abandoned_ = true;
        HideBusy();
        setWindowModality(Qt::NonModal);
        emit workAbandoned();
    });
}

void CBusyWindow::Place() {
    if (QWidget* frame = parentWidget()) move(frame->geometry().topLeft() + QPoint(50, 150));
    resize(std::max(240, sizeHint().width()), std::max(120, sizeHint().height()));
}

void CBusyWindow::ShowBusy(const QString& text) {
    text_->setText(text);
    Place();
    show();
    raise();
}

void CBusyWindow::HideBusy() { hide(); }

void CBusyWindow::reject() {
    // Closing the window (Escape, the title bar) cancels like the button, never hides the work.
    if (!running_ || !cancelWork_ || cancelled_) return;
    cancelled_ = true;
    cancel_->setEnabled(false);
    text_->setText(text_->text() + QStringLiteral("  (cancelling)"));
    giveUp_->start();
    cancelWork_();
}

bool CBusyWindow::Run(const QString& text, const Work& work) {
    running_ = true;
    cancelled_ = false;
    abandoned_ = false;
    cancelWork_ = work.cancel;
    cancel_->setVisible(static_cast<bool>(work.cancel));
    cancel_->setEnabled(true);
    progress_->setVisible(static_cast<bool>(work.progress));
    progress_->setValue(0);
    setWindowModality(Qt::ApplicationModal);
    ShowBusy(text);

    QEventLoop loop;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work.run();
        done = true;
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    QTimer poll;
    poll.setInterval(50);
    connect(&poll, &QTimer::timeout, this, [&] {
        if (!work.progress) return;
        const double f = work.progress();
        if (f < 0 || !std::isfinite(f)) {
            progress_->setRange(0, 0);
        } else {
            progress_->setRange(0, 1000);
            progress_->setValue(static_cast<int>(std::lround(std::min(f, 1.0) * 1000)));
        }
    });
    poll.start();
    if (!done) loop.exec();
    worker.join();
    poll.stop();
    giveUp_->stop();

    // Hidden before its modality changes, so the platform forgets it as a modal window.
    HideBusy();
    abandoned_ = false;
    setWindowModality(Qt::NonModal);
    progress_->hide();
    cancel_->hide();
    running_ = false;
    cancelWork_ = nullptr;
    return !cancelled_;
}

}  // namespace kivelo::app
