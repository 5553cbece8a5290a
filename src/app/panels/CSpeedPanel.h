#pragma once
// "SCROLL SPEED": the floating panel shown while the Zoom window rolls. Its
// buttons are one choice of the factor applied to the roll step, slowest
// first: "MIN" 2, "SLOW" 10, "MID" 20, "FAST" 50, "MAX" 100 and "JUMP" (the
// whole record in one step).
#include <QFrame>

#include <array>

class QButtonGroup;
class QLabel;
class QPushButton;

namespace kivelo::app {

class CSpeedPanel : public QFrame {
    Q_OBJECT
public:
    static constexpr int kWidth = 250;
    static constexpr int kHeight = 41;
    struct Choice {
        const char* text;
        double speed;
        const char* what;
    };
    static const std::array<Choice, 6>& Choices();

    explicit CSpeedPanel(QWidget* parent);

    // Back to the slowest speed: "SLOW", then "MIN", as a user would click them.
    void Reset();
    double Speed() const;

signals:
    void SpeedChosen(double speed);

private:
    QLabel* caption_ = nullptr;
    QButtonGroup* group_ = nullptr;
    std::array<QPushButton*, 6> buttons_{};
};

}  // namespace kivelo::app
