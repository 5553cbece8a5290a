#pragma once
// Panel of the History window: thumbnail "Size", "All" "ON"/"OFF" overlay
// marks, the window chaser, and the window's vertical scroll bar through the records.
#include <QWidget>

#include <array>

#include "app/ui/CDisplayActions.h"
#include "display/HistoryState.h"

class QButtonGroup;
class QLabel;
class QPushButton;
class QScrollBar;
class QToolButton;

namespace kivelo::app {

class CStripOverflow;
class CWrapButton;

class CHistoryPanel : public QWidget {
    Q_OBJECT
public:
    // `window` is the History window: it hosts the scroll bar.
    CHistoryPanel(CDisplayActions& actions, QWidget* window);

    void SyncFromModel();
    // Strip on top, scroll bar along the right edge below it.
    void Place(int windowWidth, int windowHeight);
    QScrollBar& ScrollBar() { return *bar_; }

private:
    void ChooseSize(int index);
    void SetAllMarks(bool on);
    void ToggleChaser(bool on);
    void OnBarAction(int action);
    void SyncScrollBar();
    QSize WindowSize() const;
    // Records the display keeps of the document (at most 1000).
    int RecordCount() const;

    CDisplayActions& actions_;
    QLabel* sizeCaption_ = nullptr;
    std::array<QToolButton*, 3> sizeButtons_{};  // small, medium, large
    QButtonGroup* sizeGroup_ = nullptr;
    QLabel* allCaption_ = nullptr;
    QPushButton* on_ = nullptr;
    QPushButton* off_ = nullptr;
    CWrapButton* chaser_ = nullptr;
    QScrollBar* bar_ = nullptr;
    CStripOverflow* overflow_ = nullptr;
    int lastWidth_ = 0;
    int lastHeight_ = 0;
};

}  // namespace kivelo::app
