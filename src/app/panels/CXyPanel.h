#pragma once
// Panel of the XY window: the "X-TRACE" every displayed trace is plotted
// against, and the "RANGE" the data come from ("Main" record or "Zoom" stretch).
#include <QWidget>

#include "app/ui/CDisplayActions.h"

class QComboBox;
class QLabel;
class QRadioButton;

namespace kivelo::app {

class CStripOverflow;

class CXyPanel : public QWidget {
    Q_OBJECT
public:
    CXyPanel(CDisplayActions& actions, QWidget* window);

    // Refills the "X-TRACE" list from the model and selects its X trace.
    void SyncFromModel();
    void Place(int windowWidth, int windowHeight);
    CStripOverflow& Overflow() { return *overflow_; }

private:
    void ChooseXTrace(int index);
    void ChooseRange(bool main);

    CDisplayActions& actions_;
    QLabel* title_ = nullptr;
    QLabel* xCaption_ = nullptr;
    QComboBox* xTrace_ = nullptr;
    QLabel* rangeCaption_ = nullptr;
    QRadioButton* main_ = nullptr;
    QRadioButton* zoom_ = nullptr;
    CStripOverflow* overflow_ = nullptr;
};

}  // namespace kivelo::app
