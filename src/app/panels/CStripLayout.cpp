#include "app/panels/CStripLayout.h"

#include <QFontMetrics>
#include <QLabel>

#include <algorithm>

#include "app/panels/CStripOverflow.h"

namespace kivelo::app {

CStripLayout::CStripLayout(int windowWidth, int x, Rows rows, CStripOverflow* overflow)
    : windowWidth_(windowWidth), x_(x), groupX_(x), captionRight_(x), rows_(rows), overflow_(overflow) {}

void CStripLayout::Caption(QLabel* caption, bool whole) {
    const int width = caption->fontMetrics().horizontalAdvance(caption->text()) + 4;
    groupX_ = x_;
    group_ = {{caption, QRect(x_, rows_.captionY, width, rows_.captionHeight)}};
    caption_ = caption;
    captionRight_ = x_ + width;
    whole_ = whole;
}

void CStripLayout::Add(QWidget* control, int width, int gapAfter) {
    AddTall(control, width, rows_.rowY, rows_.rowHeight, gapAfter);
}

void CStripLayout::AddTall(QWidget* control, int width, int y, int height, int gapAfter) {
    if (width <= 0) width = control->sizeHint().width();
    if (group_.empty()) groupX_ = x_;
    group_.push_back({control, QRect(x_, y, width, height)});
    x_ += width + gapAfter;
}

void CStripLayout::EndGroup(int gap) {
    const int right = std::max(x_, captionRight_);
    if (overflow_) {
        // The button at the right edge takes room once anything overflows.
        const int limit = windowWidth_ - CStripOverflow::kButtonWidth - 2;
        if (overflow_->Active() || right > limit) {
            std::vector<QWidget*> controls;
            std::vector<int> widths;
            for (const Placed& p : group_) {
                if (p.control == caption_) continue;
                controls.push_back(p.control);
                widths.push_back(p.rect.width());
            }
            overflow_->Take(caption_, controls, widths);
            x_ = groupX_;
        } else {
            for (const Placed& p : group_) {
                overflow_->Restore(p.control);
                Put(p.control, p.rect, windowWidth_);
            }
            x_ = right + gap;
        }
    } else {
        for (const Placed& p : group_) Put(p.control, p.rect, windowWidth_);
        const bool cut =
            std::any_of(group_.begin(), group_.end(), [](const Placed& p) { return p.control->isHidden(); });
        if (whole_ && cut) {
            for (const Placed& p : group_) p.control->hide();
        }
        x_ = right + gap;
    }
    group_.clear();
    caption_ = nullptr;
    whole_ = true;
    captionRight_ = x_;
    groupX_ = x_;
}

void CStripLayout::Put(QWidget* control, const QRect& rect, int windowWidth) {
    control->setGeometry(rect);
    control->setVisible(rect.x() + rect.width() <= windowWidth);
}

}  // namespace kivelo::app
