#pragma once
// A number edit with an up-down control. The edit takes any integer of a few
// digits, so that the dialog's OK can refuse an out-of-range one with the
// range message; the arrows only step within the accepted range.
#include <QSpinBox>

namespace kivelo::app {

class CNumberEdit final : public QSpinBox {
    Q_OBJECT
public:
    CNumberEdit(int stepMinimum, int stepMaximum, QWidget* parent);

    void stepBy(int steps) override;

protected:
    StepEnabled stepEnabled() const override;

private:
    int stepMinimum_;
    int stepMaximum_;
};

}  // namespace kivelo::app
