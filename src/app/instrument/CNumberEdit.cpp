#include "app/instrument/CNumberEdit.h"

#include <algorithm>

namespace kivelo::app {

CNumberEdit::CNumberEdit(int stepMinimum, int stepMaximum, QWidget* parent)
    : QSpinBox(parent), stepMinimum_(stepMinimum), stepMaximum_(stepMaximum) {
    setRange(-9999, 9999);
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setAccelerated(false);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
}

void CNumberEdit::stepBy(int steps) {
    // A value typed outside the range steps back into it from the nearer end.
    const int from = std::clamp(value(), stepMinimum_ - 1, stepMaximum_ + 1);
    setValue(std::clamp(from + steps, stepMinimum_, stepMaximum_));
    selectAll();
}

QAbstractSpinBox::StepEnabled CNumberEdit::stepEnabled() const {
    StepEnabled enabled = StepNone;
    if (value() < stepMaximum_) enabled |= StepUpEnabled;
    if (value() > stepMinimum_) enabled |= StepDownEnabled;
    return enabled;
}

}  // namespace kivelo::app
