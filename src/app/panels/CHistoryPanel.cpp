#include "app/panels/CHistoryPanel.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

#include "app/panels/CStripLayout.h"
#include "app/panels/CStripOverflow.h"
#include "app/panels/CWrapButton.h"
#include "app/panels/PanelStyle.h"

namespace kivelo::app {
namespace {

constexpr CStripLayout::Rows kRows{kCaptionY, kCaptionHeight, kRowY, kRowHeight};

struct SizeChoice {
    int id;
    IconId icon;
    CellSize cell;
    const char* what;
};
constexpr std::array<SizeChoice, 3> kSizes{{
    {1051, IconId::HistorySmall, HistoryState::kSmall, "Small thumbnails (72 x 48)"},
    {1052, IconId::HistoryMedium, HistoryState::kMedium, "Medium thumbnails (100 x 80)"},
    {1053, IconId::HistoryLarge, HistoryState::kLarge, "Large thumbnails (200 x 160)"},
}};

bool SameCell(CellSize a, CellSize b) { return a.width == b.width && a.height == b.height; }

}  // namespace

CHistoryPanel::CHistoryPanel(CDisplayActions& actions, QWidget* window) : QWidget(window), actions_(actions) {
    setObjectName(QStringLiteral("historyPanel"));
    setAccessibleName(QStringLiteral("History window controls"));
    SetUpPanel(this);

    sizeCaption_ = MakeCaption(this, QStringLiteral("Size"));
    sizeGroup_ = new QButtonGroup(this);
    for (size_t i = 0; i < kSizes.size(); ++i) {
        sizeButtons_[i] = MakeIconButton(this, kSizes[i].id, kSizes[i].icon, QString::fromLatin1(kSizes[i].what));
        sizeGroup_->addButton(sizeButtons_[i], static_cast<int>(i));
    }
    connect(sizeGroup_, &QButtonGroup::idClicked, this, &CHistoryPanel::ChooseSize);

    allCaption_ = MakeCaption(this, QStringLiteral("All"));
    on_ = new QPushButton(QStringLiteral("ON"), this);
    on_->setObjectName(IdName(1048));
    on_->setAccessibleName(QStringLiteral("Overlay every record on Main and Zoom"));
    on_->setToolTip(on_->accessibleName());
    off_ = new QPushButton(QStringLiteral("OFF"), this);
    off_->setObjectName(IdName(1049));
    off_->setAccessibleName(QStringLiteral("Overlay no record"));
    off_->setToolTip(off_->accessibleName());
    for (QPushButton* b : {on_, off_}) b->setFocusPolicy(Qt::StrongFocus);
    connect(on_, &QPushButton::clicked, this, [this] { SetAllMarks(true); });
    connect(off_, &QPushButton::clicked, this, [this] { SetAllMarks(false); });

    chaser_ = new CWrapButton(QStringLiteral("  WINDOW    CHASER"), this);
    chaser_->setObjectName(IdName(1050));
    chaser_->setCheckable(true);
    chaser_->setAccessibleName(QStringLiteral("Window chaser: overlay exactly the records in view"));
    chaser_->setToolTip(chaser_->accessibleName());
    chaser_->setFocusPolicy(Qt::StrongFocus);
    QFont small = PanelFont();
    small.setPixelSize(9);
    chaser_->setFont(small);
    connect(chaser_, &QPushButton::toggled, this, &CHistoryPanel::ToggleChaser);

    bar_ = new QScrollBar(Qt::Vertical, window ? window : this);
    bar_->setObjectName(QStringLiteral("historyScrollBar"));
    bar_->setAccessibleName(QStringLiteral("First record shown in the History window"));
    bar_->setFocusPolicy(Qt::TabFocus);
    connect(bar_, &QScrollBar::actionTriggered, this, &CHistoryPanel::OnBarAction);

    overflow_ = new CStripOverflow(this, QStringLiteral("History window"));
    SyncFromModel();
}

QSize CHistoryPanel::WindowSize() const {
    if (lastWidth_ > 0) return {lastWidth_, lastHeight_};
    if (const QWidget* w = parentWidget()) return w->size();
    return size();
}

void CHistoryPanel::SyncFromModel() {
    const DisplayModel& m = actions_.Model();
    for (size_t i = 0; i < kSizes.size(); ++i) {
        if (SameCell(m.history.Cell(), kSizes[i].cell)) sizeButtons_[i]->setChecked(true);
    }
    {
        const QSignalBlocker block(chaser_);
        chaser_->setChecked(m.history.Chaser());
    }
    const bool records = RecordCount() > 0;
    on_->setEnabled(records);
    off_->setEnabled(records);
    SyncScrollBar();
}

int CHistoryPanel::RecordCount() const {
    const DisplayDocument& doc = actions_.Model().document;
    return doc.loaded ? std::clamp(doc.recordCount, 0, DisplayDocument::kMaxRecords) : 0;
}

void CHistoryPanel::SyncScrollBar() {
    const DisplayModel& m = actions_.Model();
    const int count = RecordCount();
    const QSignalBlocker block(bar_);
    bar_->setRange(0, std::max(count - 1, 0));
    bar_->setSingleStep(std::max(m.history.Columns(), 1));
    bar_->setPageStep(std::max(m.history.CellsShown(), 1));
    bar_->setValue(m.history.FirstShown());
    bar_->setEnabled(count > 1);
}

void CHistoryPanel::Place(int windowWidth, int windowHeight) {
    lastWidth_ = windowWidth;
    lastHeight_ = windowHeight;
    const bool hosted = bar_->parentWidget() != this;
    setGeometry(0, 0, std::max(windowWidth, 0), hosted ? kStripHeight : std::max(windowHeight, kStripHeight));

    overflow_->Begin();
    CStripLayout strip(windowWidth, kStripMargin, kRows, overflow_);
    strip.Caption(sizeCaption_);
    for (QToolButton* b : sizeButtons_) strip.Add(b, 24, 1);
    strip.EndGroup(kGroupGap);
    strip.Caption(allCaption_);
    for (QPushButton* b : {on_, off_})
        strip.Add(b, std::max(b->fontMetrics().horizontalAdvance(b->text()) + 16, 34), 1);
    strip.EndGroup(kGroupGap);
    strip.AddTall(chaser_, std::max(chaser_->sizeHint().width(), 58), 2, kStripHeight - 4);
    strip.EndGroup(0);
    overflow_->Finish(windowWidth);

    const int barWidth = bar_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bar_);
    bar_->setGeometry(std::max(windowWidth - barWidth, 0), kStripHeight, barWidth,
                      std::max(windowHeight - kStripHeight, 0));
    SyncScrollBar();
}

void CHistoryPanel::ChooseSize(int index) {
    if (index < 0 || index >= static_cast<int>(kSizes.size())) return;
    DisplayModel& m = actions_.Model();
    const QSize window = WindowSize();
    m.history.SetCellSize(kSizes[static_cast<size_t>(index)].cell, window.width(), window.height());
    // Another size shows other records: the chaser's marks follow them.
    m.FollowChaser();
    SyncScrollBar();
}

void CHistoryPanel::SetAllMarks(bool on) { actions_.Model().SetAllOverlayMarks(on); }

void CHistoryPanel::ToggleChaser(bool on) { actions_.Model().SetChaser(on); }

void CHistoryPanel::OnBarAction(int action) {
    DisplayModel& m = actions_.Model();
    const int count = RecordCount();
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: m.history.Scroll(ScrollCode::LineLeft, 0, count); break;
    case QAbstractSlider::SliderSingleStepAdd: m.history.Scroll(ScrollCode::LineRight, 0, count); break;
    case QAbstractSlider::SliderPageStepSub: m.history.Scroll(ScrollCode::PageLeft, 0, count); break;
    case QAbstractSlider::SliderPageStepAdd: m.history.Scroll(ScrollCode::PageRight, 0, count); break;
    case QAbstractSlider::SliderToMinimum: m.history.Scroll(ScrollCode::Thumb, 0, count); break;
    case QAbstractSlider::SliderToMaximum: m.history.Scroll(ScrollCode::Thumb, count - 1, count); break;
    case QAbstractSlider::SliderMove: m.history.Scroll(ScrollCode::Thumb, bar_->sliderPosition(), count); break;
    default: return;
    }
    bar_->setSliderPosition(m.history.FirstShown());
    m.FollowChaser();
}

}  // namespace kivelo::app
