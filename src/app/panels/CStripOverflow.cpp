#include "app/panels/CStripOverflow.h"

#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QToolButton>

#include <algorithm>

#include "app/panels/PanelStyle.h"

namespace kivelo::app {
namespace {

constexpr int kMargin = 4;
constexpr int kGap = 2;

}  // namespace

CStripOverflow::CStripOverflow(QWidget* strip, const QString& what) : QObject(strip), strip_(strip) {
    button_ = new QToolButton(strip);
    button_->setObjectName(QStringLiteral("overflowButton"));
    button_->setText(QStringLiteral("\u00BB"));
    button_->setAccessibleName(QStringLiteral("More %1 controls").arg(what));
    button_->setToolTip(QStringLiteral("The controls that do not fit"));
    button_->setFocusPolicy(Qt::TabFocus);
    button_->hide();
    connect(button_, &QToolButton::clicked, this, &CStripOverflow::ShowPanel);

    panel_ = new QFrame(strip, Qt::Popup);
    panel_->setObjectName(QStringLiteral("overflowPanel"));
    panel_->setAccessibleName(QStringLiteral("More %1 controls").arg(what));
    panel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    SetUpPanel(panel_);
}

void CStripOverflow::Begin() {
    active_ = false;
    rowY_ = kMargin;
    panelWidth_ = 0;
}

void CStripOverflow::Move(QWidget* control, const QRect& rect) {
    if (!homes_.count(control)) homes_[control] = control->parentWidget();
    if (control->parentWidget() != panel_) control->setParent(panel_);
    control->setGeometry(rect);
    control->show();
}

void CStripOverflow::Take(QLabel* caption, const std::vector<QWidget*>& controls, const std::vector<int>& widths) {
    active_ = true;
    int x = kMargin;
    if (caption) {
        const int width = caption->fontMetrics().horizontalAdvance(caption->text()) + 4;
        Move(caption, QRect(x, rowY_, width, kCaptionHeight));
        panelWidth_ = std::max(panelWidth_, x + width + kMargin);
    }
    const int rowY = rowY_ + (caption ? kRowY - kCaptionY : 0);
    int rowHeight = kRowHeight;
    for (size_t i = 0; i < controls.size(); ++i) {
        const int width = i < widths.size() ? widths[i] : controls[i]->sizeHint().width();
        const int height = std::max(kRowHeight, std::min(controls[i]->sizeHint().height(), kStripHeight - 4));
        Move(controls[i], QRect(x, rowY, width, height));
        x += width + kGap;
        rowHeight = std::max(rowHeight, height);
    }
    panelWidth_ = std::max(panelWidth_, x + kMargin);
    rowY_ = rowY + rowHeight + kMargin;
}

void CStripOverflow::Restore(QWidget* control) {
    const auto it = homes_.find(control);
    if (it == homes_.end() || !it->second || control->parentWidget() == it->second) return;
    control->setParent(it->second);
    control->show();
}

void CStripOverflow::Finish(int stripWidth) {
    if (!active_ || stripWidth < kButtonWidth + 2) {
        button_->hide();
        panel_->hide();
        return;
    }
    panel_->resize(std::max(panelWidth_, 40), rowY_);
    button_->setGeometry(std::max(stripWidth - kButtonWidth - 1, 0), kRowY - 4, kButtonWidth, kRowHeight + 4);
    button_->show();
    button_->raise();
}

void CStripOverflow::ShowPanel() {
    // Below the button, pulled back onto its screen.
    QPoint at = button_->mapToGlobal(QPoint(button_->width() - panel_->width(), button_->height()));
    if (const QScreen* screen = button_->screen()) {
        const QRect area = screen->availableGeometry();
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - panel_->width())));
        at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - panel_->height())));
    }
    panel_->move(at);
    panel_->show();
    panel_->raise();
}

}  // namespace kivelo::app
