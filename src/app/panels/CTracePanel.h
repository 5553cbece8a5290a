#pragma once
// Trace selection and split of the Main or the Zoom window: "DISPLAY" W1..W8,
// "More" for all 24 traces, and the "SPLIT" list. The split commands are
// actions on the window: Alt+1, Alt+2, Alt+3, Alt+4, Alt+6 and Alt+8, also
// offered by the context menu of the "SPLIT" caption and list.
#include <QWidget>

#include <array>
#include <optional>

#include "app/ui/CDisplayActions.h"
#include "display/TraceSet.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace kivelo::app {

class CStripOverflow;

class CTracePanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kButtons = 8;
    static constexpr int kMaxSplit = 16;
    // Command ids of the split commands and the split each sets.
    static constexpr std::array<std::pair<int, int>, 6> kSplitCommands{
        {{1005, 1}, {1026, 2}, {1027, 3}, {1028, 4}, {1022, 6}, {1030, 8}}};

    // window: Main or Zoom. The split shortcuts act while the focus is in `parent`.
    CTracePanel(CDisplayActions& actions, WindowId window, QWidget* parent);

    WindowId Window() const { return window_; }
    void SyncFromModel();
    // Takes the strip at the top of a window of this size. Groups that do not
    // fit go to `overflow` (the owner's, when the panel is part of a larger
    // strip; else the panel's own, whose pass it begins and ends).
    void Place(int windowWidth, int windowHeight, CStripOverflow* overflow = nullptr);
    CStripOverflow& Overflow() { return *overflow_; }
    // Right edge of the last control, as last placed.
    int UsedWidth() const { return usedWidth_; }

    // Split count 1..16 (others are ignored), then the redraws.
    void SetSplit(int count);
    int Split() const;
    static std::optional<int> SplitOfCommand(int commandId);
    // A split command by id; false for an id that isn't one.
    bool RunSplitCommand(int commandId);
    // Actions of the split commands, to add to other widgets that should know the shortcuts.
    const std::array<QAction*, 6>& SplitActions() const { return splitActions_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    OnOffTable& Table();
    const TraceSet& Set() const;
    // Marks the windows that show this panel's traces for redrawing.
    void MarkChanged();
    void Press(int index);
    void SyncButton(int index);
    void OpenMore();

    CDisplayActions& actions_;
    WindowId window_;
    QLabel* title_ = nullptr;
    QLabel* displayCaption_ = nullptr;
    QLabel* splitCaption_ = nullptr;
    std::array<QCheckBox*, kButtons> buttons_{};
    QPushButton* more_ = nullptr;
    QComboBox* split_ = nullptr;
    std::array<QAction*, 6> splitActions_{};
    CStripOverflow* overflow_ = nullptr;
    int usedWidth_ = 0;
};

}  // namespace kivelo::app
