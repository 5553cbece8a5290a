#pragma once
// The controls of a strip that do not fit its window: a "»" button at the
// strip's right edge opens a small panel that holds them, one group a row,
// caption above, so that no control is ever out of reach. The controls move
// back into the strip when it is wide enough again.
#include <QObject>
#include <QPointer>

#include <map>
#include <vector>

class QFrame;
class QLabel;
class QToolButton;
class QWidget;

namespace kivelo::app {

class CStripOverflow : public QObject {
    Q_OBJECT
public:
    static constexpr int kButtonWidth = 22;

    // The button is a child of `strip`; `what` names the window for its accessible name.
    CStripOverflow(QWidget* strip, const QString& what);

    // A new layout pass of the strip: nothing has overflowed yet.
    void Begin();
    // A group that does not fit: its caption (may be null) above its controls
    // with the given widths, on a row of the overflow panel.
    void Take(QLabel* caption, const std::vector<QWidget*>& controls, const std::vector<int>& widths);
    // True once a group of this pass overflowed: the groups after it follow.
    bool Active() const { return active_; }
    // Shows the button at the right edge of a strip of this width when anything overflowed.
    void Finish(int stripWidth);
    // A control placed in the strip again: back to where it came from.
    void Restore(QWidget* control);

    QToolButton* Button() const { return button_; }
    QFrame* Panel() const { return panel_; }

private:
    void Move(QWidget* control, const QRect& rect);
    void ShowPanel();

    QWidget* strip_;
    QToolButton* button_ = nullptr;
    QFrame* panel_ = nullptr;
    std::map<QWidget*, QPointer<QWidget>> homes_;
    bool active_ = false;
    int rowY_ = 0;
    int panelWidth_ = 0;
};

}  // namespace kivelo::app
