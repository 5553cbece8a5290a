#pragma once
// Panel of the Zoom window: its trace selection and split, the zoom ratio with
// the two arrow buttons, the horizontal scroll bar at the window's bottom edge
// and "AUTO ROLL" with its floating "SCROLL SPEED" panel.
#include <QTimer>
#include <QWidget>

#include <array>

#include "app/ui/CDisplayActions.h"
#include "display/ZoomController.h"

class QComboBox;
class QLabel;
class QScrollBar;
class QToolButton;
class QButtonGroup;

namespace kivelo::app {

class CSpeedPanel;
class CStripOverflow;
class CTracePanel;

class CZoomPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRollIntervalMs = 10;
    static constexpr int kSpeedPanelOffset = 140;
    static constexpr int kScrollRange = 10000;

    // `window` is the Zoom window: it hosts the scroll bar and the speed panel.
    CZoomPanel(CDisplayActions& actions, QWidget* window);

    void SyncFromModel();
    // Strip on top of the window, scroll bar along its bottom edge.
    void Place(int windowWidth, int windowHeight);
    // The scroll bar follows the zoom position (after it moved elsewhere, e.g. a frame drag in Main).
    void SyncScrollBar();

    // Keys of the Zoom window: Left/Right a column's worth of samples,
    // PageUp/PageDown the window's width, Home/End the ends, +/= and - the
    // next and previous ratio. True when handled.
    bool HandleKey(int qtKey);

    CTracePanel& Traces() { return *traces_; }
    CSpeedPanel& SpeedPanel() { return *speed_; }
    QScrollBar& ScrollBar() { return *bar_; }
    CStripOverflow& Overflow() { return *overflow_; }
    bool Rolling() const { return timer_.isActive(); }

public slots:
    // One tick of the roll timer.
    void OnRollTimer();

protected:
    // Starts the roll timer; false when it could not be started.
    virtual bool StartRollTimer();
    void moveEvent(QMoveEvent* event) override;

private:
    int64_t RecordLength() const;
    bool HasRecord() const;
    void ChooseRatio(int index);
    void StepRatio(bool next);
    void Scroll(ScrollCode code, int thumb);
    // Moves the stretch by whole samples; `remember` keeps the stretch before for "back".
    void MoveSamples(int64_t samples, bool remember);
    void OnBarAction(int action);
    void ChooseRoll(int id);
    void StopRolling();
    void FollowRollEnd();
    void PlaceSpeedPanel();

    CDisplayActions& actions_;
    CTracePanel* traces_ = nullptr;
    QLabel* ratioCaption_ = nullptr;
    QComboBox* ratio_ = nullptr;
    QToolButton* zoomIn_ = nullptr;   // 1052: next entry
    QToolButton* zoomOut_ = nullptr;  // 1053: previous entry
    QLabel* rollCaption_ = nullptr;
    std::array<QToolButton*, 3> rollButtons_{};  // toward start, stop, toward end
    QButtonGroup* rollGroup_ = nullptr;
    QScrollBar* bar_ = nullptr;
    CSpeedPanel* speed_ = nullptr;
    CStripOverflow* overflow_ = nullptr;
    QTimer timer_;
    int lastWidth_ = 0;
    int lastHeight_ = 0;
};

}  // namespace kivelo::app
