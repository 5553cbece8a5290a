#include "app/panels/CZoomPanel.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

#include "app/panels/CSpeedPanel.h"
#include "app/panels/CStripLayout.h"
#include "app/panels/CStripOverflow.h"
#include "app/panels/CTracePanel.h"
#include "app/panels/PanelStyle.h"
#include "app/ui/CUiSeam.h"
#include "display/ViewNavigation.h"

namespace kivelo::app {
namespace {

constexpr CStripLayout::Rows kRows{kCaptionY, kCaptionHeight, kRowY, kRowHeight};
constexpr int kRollStart = 0;
constexpr int kRollStop = 1;
constexpr int kRollEnd = 2;

}  // namespace

CZoomPanel::CZoomPanel(CDisplayActions& actions, QWidget* window) : QWidget(window), actions_(actions) {
    setObjectName(QStringLiteral("zoomPanel"));
    setAccessibleName(QStringLiteral("Zoom window controls"));
    SetUpPanel(this);
    QWidget* host = window ? window : this;

    traces_ = new CTracePanel(actions, WindowId::Zoom, this);
    if (window) window->addActions({traces_->SplitActions().begin(), traces_->SplitActions().end()});

    ratioCaption_ = MakeCaption(this, QStringLiteral("RATIO"));
    ratio_ = new QComboBox(this);
    ratio_->setObjectName(QStringLiteral("zoomRatio"));
    ratio_->setAccessibleName(QStringLiteral("Zoom ratio: magnification and points the Zoom window spans"));
    ratio_->setToolTip(QStringLiteral("Magnification (points spanned)"));
    ratio_->setFont(FixedPanelFont());
    ratio_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(ratio_, &QComboBox::currentIndexChanged, this, &CZoomPanel::ChooseRatio);
    zoomOut_ = MakeIconButton(this, 1053, IconId::ZoomRatioOut, QStringLiteral("Zoom out: previous ratio (-)"));
    zoomIn_ = MakeIconButton(this, 1052, IconId::ZoomRatioIn, QStringLiteral("Zoom in: next ratio (+)"));
    for (QToolButton* b : {zoomOut_, zoomIn_}) b->setCheckable(false);
    connect(zoomOut_, &QToolButton::clicked, this, [this] { StepRatio(false); });
    connect(zoomIn_, &QToolButton::clicked, this, [this] { StepRatio(true); });

    rollCaption_ = MakeCaption(this, QStringLiteral("AUTO ROLL"));
    rollGroup_ = new QButtonGroup(this);
    rollButtons_[kRollStart] = MakeIconButton(this, 1006, IconId::RollStart, QStringLiteral("Roll toward the start"));
    rollButtons_[kRollStop] = MakeIconButton(this, 1009, IconId::RollStop, QStringLiteral("Stop rolling"));
    rollButtons_[kRollEnd] = MakeIconButton(this, 1018, IconId::RollEnd, QStringLiteral("Roll toward the end"));
    for (int i = 0; i < 3; ++i) rollGroup_->addButton(rollButtons_[static_cast<size_t>(i)], i);
    rollButtons_[kRollStop]->setChecked(true);
    connect(rollGroup_, &QButtonGroup::idClicked, this, &CZoomPanel::ChooseRoll);

    // The window's own horizontal scroll bar: 0..10000 across the record.
    bar_ = new QScrollBar(Qt::Horizontal, host);
    bar_->setObjectName(QStringLiteral("zoomScrollBar"));
    bar_->setAccessibleName(QStringLiteral("Position of the zoomed stretch in the record"));
    bar_->setRange(0, kScrollRange);
    bar_->setSingleStep(1);
    bar_->setPageStep(200);  // a page is 2 % of the record
    bar_->setFocusPolicy(Qt::TabFocus);
    connect(bar_, &QScrollBar::actionTriggered, this, &CZoomPanel::OnBarAction);

    overflow_ = new CStripOverflow(this, QStringLiteral("Zoom window"));

    speed_ = new CSpeedPanel(host);
    speed_->hide();
    connect(speed_, &CSpeedPanel::SpeedChosen, this,
            [this](double speed) { actions_.Model().zoom.SetScrollSpeed(speed); });

    timer_.setInterval(kRollIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &CZoomPanel::OnRollTimer);

    SyncFromModel();
}

int64_t CZoomPanel::RecordLength() const { return actions_.Model().document.recordLength; }

bool CZoomPanel::HasRecord() const { return actions_.Model().document.loaded && RecordLength() > 0; }

void CZoomPanel::SyncFromModel() {
    traces_->SyncFromModel();
    const ZoomController& z = actions_.Model().zoom;
    const bool hasRecord = HasRecord();
    {
        const QSignalBlocker block(ratio_);
        ratio_->clear();
        if (hasRecord) {
            for (const std::string& text : z.RatioTexts()) ratio_->addItem(QString::fromStdString(text));
        }
        const int last = ratio_->count() - 1;
        ratio_->setCurrentIndex(last >= 0 ? std::min(static_cast<int>(z.Selected()), last) : -1);
    }
    const bool ratios = ratio_->count() > 0;
    ratio_->setEnabled(ratios);
    zoomIn_->setEnabled(ratios);
    zoomOut_->setEnabled(ratios);
    for (QToolButton* b : rollButtons_) b->setEnabled(hasRecord);
    bar_->setEnabled(hasRecord);
    if (!hasRecord && timer_.isActive()) StopRolling();
    if (!timer_.isActive()) {
        const QSignalBlocker block(rollGroup_);
        rollButtons_[kRollStop]->setChecked(true);
    }
    SyncScrollBar();
    // The ratio texts set the list's width.
    if (lastWidth_ > 0) Place(lastWidth_, lastHeight_);
}

void CZoomPanel::SyncScrollBar() {
    const ZoomController& z = actions_.Model().zoom;
    {
        const QSignalBlocker block(bar_);
        bar_->setValue(std::clamp(z.ScrollBarPos(), 0, kScrollRange));
    }
    // The wheel, a drag in Main and "back" change the ratio too.
    if (ratio_->count() > 0 && ratio_->currentIndex() != static_cast<int>(z.Selected()) &&
        static_cast<int>(z.Selected()) < ratio_->count()) {
        const QSignalBlocker block(ratio_);
        ratio_->setCurrentIndex(static_cast<int>(z.Selected()));
    }
}

void CZoomPanel::Place(int windowWidth, int windowHeight) {
    lastWidth_ = windowWidth;
    lastHeight_ = windowHeight;
    // Without a window of its own the panel stands in for it, scroll bar included.
    const bool hosted = bar_->parentWidget() != this;
    setGeometry(0, 0, std::max(windowWidth, 0), hosted ? kStripHeight : std::max(windowHeight, kStripHeight));
    overflow_->Begin();
    traces_->Place(windowWidth, windowHeight, overflow_);
    traces_->setGeometry(0, 0, std::min(traces_->UsedWidth(), std::max(windowWidth, 0)), kStripHeight);

    CStripLayout strip(windowWidth, traces_->UsedWidth() + kGroupGap, kRows, overflow_);
    strip.Caption(ratioCaption_);
    strip.Add(ratio_, std::max(ratio_->sizeHint().width(), 110), 2);
    strip.Add(zoomOut_, 22, 1);
    strip.Add(zoomIn_, 22);
    strip.EndGroup(kGroupGap);
    strip.Caption(rollCaption_);
    for (QToolButton* b : rollButtons_) strip.Add(b, 24, 1);
    strip.EndGroup(0);
    overflow_->Finish(windowWidth);

    const int barHeight = bar_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bar_);
    bar_->setGeometry(0, std::max(windowHeight - barHeight, kStripHeight), std::max(windowWidth, 0), barHeight);
    PlaceSpeedPanel();
}

void CZoomPanel::PlaceSpeedPanel() {
    const QPoint origin = speed_->parentWidget() == this ? QPoint(0, 0) : pos();
    speed_->setGeometry(origin.x() + kSpeedPanelOffset, origin.y(), CSpeedPanel::kWidth, CSpeedPanel::kHeight);
    speed_->raise();
}

void CZoomPanel::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    PlaceSpeedPanel();
}

void CZoomPanel::ChooseRatio(int index) {
    if (index < 0) return;
    if (actions_.Model().ChangeZoom(true, [index](ZoomController& z, int64_t length) {
            return z.SelectZoomRatio(static_cast<uint32_t>(index), length);
        }))
        SyncScrollBar();
}

void CZoomPanel::StepRatio(bool next) {
    // The controller keeps the last document's list after a close; without a record there is nothing to zoom.
    DisplayModel& m = actions_.Model();
    const bool moved = m.ChangeZoom(true, [next](ZoomController& z, int64_t length) {
        return next ? z.SelectNext(length) : z.SelectPrevious(length);
    });
    if (!moved) return;
    {
        const QSignalBlocker block(ratio_);
        ratio_->setCurrentIndex(static_cast<int>(m.zoom.Selected()));
    }
    SyncScrollBar();
}

void CZoomPanel::Scroll(ScrollCode code, int thumb) {
    const bool scrolled = actions_.Model().ChangeZoom(false, [code, thumb](ZoomController& z, int64_t length) {
        z.Scroll(code, thumb, length);
        return true;
    });
    if (scrolled) FollowRollEnd();
    SyncScrollBar();
}

void CZoomPanel::OnBarAction(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: Scroll(ScrollCode::LineLeft, 0); break;
    case QAbstractSlider::SliderSingleStepAdd: Scroll(ScrollCode::LineRight, 0); break;
    case QAbstractSlider::SliderPageStepSub: Scroll(ScrollCode::PageLeft, 0); break;
    case QAbstractSlider::SliderPageStepAdd: Scroll(ScrollCode::PageRight, 0); break;
    case QAbstractSlider::SliderToMinimum: Scroll(ScrollCode::Thumb, 0); break;
    case QAbstractSlider::SliderToMaximum: Scroll(ScrollCode::Thumb, kScrollRange); break;
    case QAbstractSlider::SliderMove: Scroll(ScrollCode::Thumb, bar_->sliderPosition()); break;
    default: return;
    }
    // The bar shows where the model put the stretch, not where Qt would have stepped.
    bar_->setSliderPosition(bar_->value());
}

void CZoomPanel::MoveSamples(int64_t samples, bool remember) {
    if (actions_.Model().ChangeZoom(
            remember, [samples](ZoomController& z, int64_t length) { return MoveBySamples(z, length, samples); }))
        SyncScrollBar();
}

bool CZoomPanel::HandleKey(int qtKey) {
    // Whole samples at every ratio: a column's worth (at least one start unit), or the window's width.
    const DisplayModel& m = actions_.Model();
    const int64_t column = ColumnStep(m.zoom, m.Area(WindowId::Zoom), RecordLength());
    const int64_t page = m.zoom.SpanOf(RecordLength());
    switch (qtKey) {
    case Qt::Key_Left: MoveSamples(-column, false); return true;
    case Qt::Key_Right: MoveSamples(column, false); return true;
    case Qt::Key_PageUp: MoveSamples(-page, true); return true;
    case Qt::Key_PageDown: MoveSamples(page, true); return true;
    case Qt::Key_Home: MoveSamples(-RecordLength(), true); return true;
    case Qt::Key_End: MoveSamples(RecordLength(), true); return true;
    case Qt::Key_Plus:
    case Qt::Key_Equal: StepRatio(true); return true;
    case Qt::Key_Minus: StepRatio(false); return true;
    default: return false;
    }
}

void CZoomPanel::ChooseRoll(int id) {
    ZoomController& z = actions_.Model().zoom;
    if (id == kRollStop || !HasRecord()) {
        StopRolling();
        return;
    }
    speed_->Reset();
    PlaceSpeedPanel();
    speed_->show();
    speed_->raise();
    z.StartRoll(id == kRollEnd ? RollMode::TowardEnd : RollMode::TowardStart);
    if (!StartRollTimer()) {
        StopRolling();
        actions_.Ui().Message(window(), QStringLiteral("Timer invoke error"), QString(), MsgIcon::Exclamation);
    }
}

bool CZoomPanel::StartRollTimer() {
    timer_.start();
    return timer_.isActive();
}

void CZoomPanel::StopRolling() {
    actions_.Model().zoom.StopRoll();
    timer_.stop();
    speed_->hide();
    const QSignalBlocker block(rollGroup_);
    rollButtons_[kRollStop]->setChecked(true);
}

void CZoomPanel::FollowRollEnd() {
    // The controller stops the roll when the stretch reaches an end of the record.
    if (actions_.Model().zoom.Roll() == RollMode::Stopped && (timer_.isActive() || speed_->isVisible())) StopRolling();
}

void CZoomPanel::OnRollTimer() {
    if (!actions_.Model().ChangeZoom(false, [](ZoomController& z, int64_t length) { return z.Tick(length); })) {
        StopRolling();
        return;
    }
    FollowRollEnd();
    SyncScrollBar();
}

}  // namespace kivelo::app
