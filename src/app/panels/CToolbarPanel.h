#pragma once
// The panel at the top of the frame: which display windows are shown, the
// graticule and its divisions, the mouse control mode, light mode and snapshot.
#include <QWidget>

#include <array>

class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QToolButton;

namespace kivelo::app {

class CDisplayActions;

class CToolbarPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 478;
    static constexpr int kHeight = 48;
    static constexpr std::array<int, 5> kDivisions{4, 8, 10, 16, 20};

    CToolbarPanel(CDisplayActions& actions, QWidget* parent);

    // Every control shows the model's state; nothing is sent back.
    void SyncFromModel();
    // Lays the controls out in a panel of this size (kWidth x kHeight normally).
    void Place(int windowWidth, int windowHeight);

    // The state saved in the settings, as the model holds it.
    int GraticuleStyle() const;
    int Divisions() const;

signals:
    // The user chose these (the settings record takes them at once).
    void GraticuleChosen(int style);
    void DivisionsChosen(int divisions);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ToggleWindow(int index, bool shown);
    void ChooseGraticule(int style);
    void ChooseDivisions(int index);
    void ChooseMouseMode(int mode);

    CDisplayActions& actions_;
    QLabel* windowCaption_ = nullptr;
    QLabel* graticuleCaption_ = nullptr;
    QLabel* divCaption_ = nullptr;
    QLabel* mouseCaption_ = nullptr;
    std::array<QPushButton*, 4> windowButtons_{};  // Main, Zoom, History, XY
    std::array<QToolButton*, 3> graticuleButtons_{};
    std::array<QToolButton*, 4> mouseButtons_{};
    QButtonGroup* graticuleGroup_ = nullptr;
    QButtonGroup* mouseGroup_ = nullptr;
    QComboBox* divisions_ = nullptr;
    QToolButton* light_ = nullptr;
    QToolButton* snapshot_ = nullptr;
};

}  // namespace kivelo::app
