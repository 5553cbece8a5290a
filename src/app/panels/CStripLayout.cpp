#include "app/panels/CStripLayout.h"

#include <QFontMetrics>
#include <QLabel>

#include <algorithm>

namespace kivelo::app {

CStripLayout::CStripLayout(int windowWidth, int x, Rows rows)
    : windowWidth_(windowWidth), x_(x), captionRight_(x), rows_(rows) {}

void CStripLayout::Caption(QLabel* caption, bool whole) {
    const int width = caption->fontMetrics().horizontalAdvance(caption->text()) + 4;
    Put(caption, QRect(x_, rows_.captionY, width, rows_.captionHeight), windowWidth_);
    captionRight_ = x_ + width;
    whole_ = whole;
    group_ = {caption};
}

void CStripLayout::Add(QWidget* control, int width, int gapAfter) {
    AddTall(control, width, rows_.rowY, rows_.rowHeight, gapAfter);
}

void CStripLayout::AddTall(QWidget* control, int width, int y, int height, int gapAfter) {
    if (width <= 0) width = control->sizeHint().width();
    Put(control, QRect(x_, y, width, height), windowWidth_);
    group_.push_back(control);
    x_ += width + gapAfter;
}

void CStripLayout::EndGroup(int gap) {
    const bool cut = std::any_of(group_.begin(), group_.end(), [](const QWidget* w) { return w->isHidden(); });
    if (whole_ && cut) {
        for (QWidget* w : group_) w->hide();
    }
    group_.clear();
    whole_ = true;
    x_ = std::max(x_, captionRight_) + gap;
    captionRight_ = x_;
}

void CStripLayout::Put(QWidget* control, const QRect& rect, int windowWidth) {
    control->setGeometry(rect);
    control->setVisible(rect.x() + rect.width() <= windowWidth);
}

}  // namespace kivelo::app
