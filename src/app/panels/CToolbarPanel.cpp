#include "app/panels/CToolbarPanel.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>

#include <algorithm>

#include "app/panels/CStripLayout.h"
#include "app/panels/PanelStyle.h"
#include "app/ui/CDisplayActions.h"

namespace kivelo::app {
namespace {

constexpr CStripLayout::Rows kRows{3, 12, 17, 26};
constexpr int kIconButton = 24;

struct WindowButton {
    int id;
    const char* text;
    const char* what;
    WindowId window;
};
constexpr std::array<WindowButton, 4> kWindowButtons{{
    {1004, "Main", "Show the Main window", WindowId::Main},
    {1007, "Zoom", "Show the Zoom window", WindowId::Zoom},
    {1008, "History", "Show the History window", WindowId::History},
    {1016, "XY", "Show the XY window", WindowId::Xy},
}};

struct IconChoice {
    int id;
    IconId icon;
    const char* what;
};
constexpr std::array<IconChoice, 3> kGraticules{{
    {1005, IconId::GraticuleDots, "Graticule: dot grid"},
    {1006, IconId::GraticuleTicks, "Graticule: ticks on the edges"},
    {1009, IconId::GraticuleCross, "Graticule: centre cross"},
}};
constexpr std::array<IconChoice, 4> kMouseModes{{
    {1010, IconId::MouseCursors, "Mouse: move cursors"},
    {1011, IconId::MouseCursorsHidden, "Mouse: move hidden cursors"},
    {1012, IconId::MouseMove, "Mouse: move a trace vertically"},
    {1013, IconId::MouseZoom, "Mouse: zoom a trace vertically (left in, right out)"},
}};

}  // namespace

CToolbarPanel::CToolbarPanel(CDisplayActions& actions, QWidget* parent) : QWidget(parent), actions_(actions) {
    setObjectName(QStringLiteral("toolbarPanel"));
    setAccessibleName(QStringLiteral("Display toolbar"));
    SetUpPanel(this);

    windowCaption_ = MakeCaption(this, QStringLiteral("WINDOW"));
    for (size_t i = 0; i < kWindowButtons.size(); ++i) {
        const WindowButton& b = kWindowButtons[i];
        auto* button = new QPushButton(QString::fromLatin1(b.text), this);
        button->setObjectName(IdName(b.id));
        button->setCheckable(true);
        button->setAccessibleName(QString::fromLatin1(b.what));
        button->setToolTip(QString::fromLatin1(b.what));
        button->setFocusPolicy(Qt::TabFocus);
        connect(button, &QPushButton::toggled, this, [this, i](bool on) { ToggleWindow(static_cast<int>(i), on); });
        windowButtons_[i] = button;
    }

    graticuleCaption_ = MakeCaption(this, QStringLiteral("GRATICULE"));
    graticuleGroup_ = new QButtonGroup(this);
    for (size_t i = 0; i < kGraticules.size(); ++i) {
        const IconChoice& c = kGraticules[i];
        graticuleButtons_[i] = MakeIconButton(this, c.id, c.icon, QString::fromLatin1(c.what), 20);
        graticuleGroup_->addButton(graticuleButtons_[i], static_cast<int>(i));
    }
    connect(graticuleGroup_, &QButtonGroup::idClicked, this, &CToolbarPanel::ChooseGraticule);

    divCaption_ = MakeCaption(this, QStringLiteral("div"));
    divisions_ = new QComboBox(this);
    divisions_->setObjectName(IdName(1081));
    divisions_->setAccessibleName(QStringLiteral("Vertical divisions of the graticule"));
    divisions_->setToolTip(QStringLiteral("Vertical divisions of the graticule"));
    for (int v : kDivisions) divisions_->addItem(QString::number(v));
    connect(divisions_, &QComboBox::currentIndexChanged, this, &CToolbarPanel::ChooseDivisions);

    mouseCaption_ = MakeCaption(this, QStringLiteral("MOUSE CONTROL"));
    mouseGroup_ = new QButtonGroup(this);
    for (size_t i = 0; i < kMouseModes.size(); ++i) {
        const IconChoice& c = kMouseModes[i];
        mouseButtons_[i] = MakeIconButton(this, c.id, c.icon, QString::fromLatin1(c.what), 20);
        mouseGroup_->addButton(mouseButtons_[i], static_cast<int>(i));
    }
    connect(mouseGroup_, &QButtonGroup::idClicked, this, &CToolbarPanel::ChooseMouseMode);

    light_ = MakeIconButton(this, 1014, IconId::LightMode, QStringLiteral("Light mode: dark traces on white"), 20);
    connect(light_, &QToolButton::toggled, this, [this](bool on) { actions_.Model().SetLightMode(on); });
    snapshot_ = MakeIconButton(this, 1015, IconId::Snapshot,
                               QStringLiteral("Snapshot: keep a copy of the traces shown now"), 20);
    connect(snapshot_, &QToolButton::toggled, this, [this](bool on) { actions_.Model().SetSnapshot(on); });

    resize(kWidth, kHeight);
    SyncFromModel();
    Place(kWidth, kHeight);
}

void CToolbarPanel::SyncFromModel() {
    const DisplayModel& m = actions_.Model();
    for (size_t i = 0; i < windowButtons_.size(); ++i) {
        const QSignalBlocker block(windowButtons_[i]);
        windowButtons_[i]->setChecked(m.shown[static_cast<size_t>(kWindowButtons[i].window)]);
    }
    // A style the buttons don't offer leaves none of them pressed.
    const int style = GraticuleStyle();
    graticuleGroup_->setExclusive(false);
    for (size_t i = 0; i < graticuleButtons_.size(); ++i)
        graticuleButtons_[i]->setChecked(style == static_cast<int>(i));
    graticuleGroup_->setExclusive(true);

    const auto found = std::find(kDivisions.begin(), kDivisions.end(), Divisions());
    {
        const QSignalBlocker block(divisions_);
        // A count the list lacks shows as 10, the value the settings fall back to.
        divisions_->setCurrentIndex(found != kDivisions.end() ? static_cast<int>(found - kDivisions.begin()) : 2);
    }
    if (QAbstractButton* b = mouseGroup_->button(static_cast<int>(m.mouseMode))) b->setChecked(true);
    {
        const QSignalBlocker block(light_);
        light_->setChecked(m.LightMode());
    }
    const QSignalBlocker block(snapshot_);
    snapshot_->setChecked(m.Snapshot());
}

void CToolbarPanel::Place(int windowWidth, int windowHeight) {
    CStripLayout strip(windowWidth, kStripMargin, kRows);
    strip.Caption(windowCaption_);
    for (QPushButton* b : windowButtons_) {
        const int width = std::max(b->fontMetrics().horizontalAdvance(b->text()) + 14, 34);
        strip.Add(b, width, 1);
    }
    strip.EndGroup(8);
    strip.Caption(graticuleCaption_);
    for (QToolButton* b : graticuleButtons_) strip.Add(b, kIconButton, 1);
    strip.EndGroup(5);
    strip.Caption(divCaption_);
    strip.Add(divisions_, 44);
    strip.EndGroup(8);
    strip.Caption(mouseCaption_);
    for (QToolButton* b : mouseButtons_) strip.Add(b, kIconButton, 1);
    strip.EndGroup(8);
    strip.Add(light_, kIconButton, 1);
    strip.Add(snapshot_, kIconButton);
    strip.EndGroup(0);
}

int CToolbarPanel::GraticuleStyle() const { return actions_.Model().Area(WindowId::Main).graticuleStyle; }

int CToolbarPanel::Divisions() const { return actions_.Model().Area(WindowId::Main).verticalDivisions; }

void CToolbarPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Place(width(), height());
}

void CToolbarPanel::ToggleWindow(int index, bool shown) {
    const WindowId window = kWindowButtons[static_cast<size_t>(index)].window;
    actions_.Model().SetShown(window, shown);
    actions_.LayOutWindows(true);
}

void CToolbarPanel::ChooseGraticule(int style) {
    actions_.Model().SetGraticuleStyle(style);
    emit GraticuleChosen(style);
}

void CToolbarPanel::ChooseDivisions(int index) {
    if (index < 0 || index >= static_cast<int>(kDivisions.size())) return;
    const int v = kDivisions[static_cast<size_t>(index)];
    actions_.Model().SetVerticalDivisions(v);
    emit DivisionsChosen(v);
}

void CToolbarPanel::ChooseMouseMode(int mode) {
    actions_.Model().SetMouseMode(static_cast<MouseMode>(std::clamp(mode, 0, 3)));
}

}  // namespace kivelo::app
