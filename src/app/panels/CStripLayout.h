#pragma once
// Places a strip's controls left to right in groups, each with its caption
// above. With an overflow, a group that does not fit moves whole into the
// overflow panel (and every group after it); without one, whatever would pass
// the window's right edge is hidden rather than cut.
#include <QRect>

#include <vector>

class QLabel;
class QWidget;

namespace kivelo::app {

class CStripOverflow;

class CStripLayout {
public:
    struct Rows {
        int captionY;
        int captionHeight;
        int rowY;
        int rowHeight;
    };

    CStripLayout(int windowWidth, int x, Rows rows, CStripOverflow* overflow = nullptr);

    // Starts a group at the current x. Without an overflow, a whole group shows
    // all its controls or none (ON without OFF makes no sense); otherwise each
    // control that fits shows.
    void Caption(QLabel* caption, bool whole = true);
    // Next control of the row; width 0 takes the control's size hint.
    void Add(QWidget* control, int width = 0, int gapAfter = 0);
    // A control with its own vertical extent (e.g. spanning caption and row).
    void AddTall(QWidget* control, int width, int y, int height, int gapAfter = 0);
    // Ends a group: the next one starts after both its controls and its caption.
    void EndGroup(int gap);
    int X() const { return x_; }

    // Shows the control at rect when it fits left of the right edge.
    static void Put(QWidget* control, const QRect& rect, int windowWidth);

private:
    struct Placed {
        QWidget* control;
        QRect rect;
    };

    int windowWidth_;
    int x_;
    int groupX_;
    int captionRight_;
    Rows rows_;
    CStripOverflow* overflow_;
    bool whole_ = true;
    QLabel* caption_ = nullptr;
    std::vector<Placed> group_;
};

}  // namespace kivelo::app
