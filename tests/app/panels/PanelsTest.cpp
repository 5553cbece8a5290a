#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "RecordingActions.h"
#include "app/panels/CHistoryPanel.h"
#include "app/panels/CSpeedPanel.h"
#include "app/panels/CStripOverflow.h"
#include "app/panels/CToolbarPanel.h"
#include "app/panels/CTracePanel.h"
#include "app/panels/CWrapButton.h"
#include "app/panels/CXyPanel.h"
#include "app/panels/CZoomPanel.h"

using namespace kivelo;
using namespace kivelo::app;
using kivelo::app::test::RecordingActions;
using Calls = std::vector<std::string>;
using Masks = std::vector<WindowMask>;

namespace {

constexpr WindowMask kMain = MaskOf(WindowId::Main);
constexpr WindowMask kZoom = MaskOf(WindowId::Zoom);
constexpr WindowMask kHistory = MaskOf(WindowId::History);
constexpr WindowMask kXy = MaskOf(WindowId::Xy);

template <typename T = QAbstractButton>
T* Get(const QWidget& root, const QString& name) {
    T* w = root.findChild<T*>(name);
    if (!w) qFatal("no control %s", qPrintable(name));
    return w;
}
template <typename T = QAbstractButton>
T* Get(const QWidget& root, int id) {
    return Get<T>(root, QStringLiteral("id%1").arg(id));
}

class RefusingTimerZoomPanel final : public CZoomPanel {
public:
    using CZoomPanel::CZoomPanel;

protected:
    bool StartRollTimer() override { return false; }
};

// Runs the roll the way its timer would, without waiting; the ticks taken.
int Roll(CZoomPanel& panel) {
    int ticks = 0;
    for (; panel.Rolling() && ticks < 100000; ++ticks) panel.OnRollTimer();
    return ticks;
}

std::vector<int> Marked(const DisplayModel& m) {
    std::vector<int> r;
    for (int i = 0; i < DisplayDocument::kMaxRecords; ++i) {
        if (m.document.overlayMarks[static_cast<size_t>(i)]) r.push_back(i);
    }
    return r;
}
std::vector<int> Range(int from, int to) {
    std::vector<int> r;
    for (int i = from; i < to; ++i) r.push_back(i);
    return r;
}

bool WideEnoughForItsText(const QWidget* c) {
    if (const auto* wrap = qobject_cast<const CWrapButton*>(c)) {
        return wrap->fontMetrics().size(0, wrap->ShownText()).width() + 4 <= wrap->width();
    }
    if (const auto* b = qobject_cast<const QAbstractButton*>(c); b && !b->text().isEmpty()) {
        const bool indicator = qobject_cast<const QCheckBox*>(c) || qobject_cast<const QRadioButton*>(c);
        return b->width() >= (indicator ? b->sizeHint().width() : b->fontMetrics().horizontalAdvance(b->text()) + 4);
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(c)) return combo->width() >= combo->sizeHint().width();
    return true;
}

// One of each window with its panel, placed as the frame would.
struct Windows {
    explicit Windows(RecordingActions& a)
        : toolbar(a, nullptr),
          mainPanel(a, WindowId::Main, &main),
          zoomPanel(a, &zoom),
          historyPanel(a, &history),
          xyPanel(a, &xy) {
        Resize(1100, 300, 360, 300);
    }
    void Resize(int left, int leftHeight, int right, int rightHeight) {
        for (QWidget* w : {&main, &zoom}) w->resize(left, leftHeight);
        for (QWidget* w : {&history, &xy}) w->resize(right, rightHeight);
        mainPanel.Place(left, leftHeight);
        zoomPanel.Place(left, leftHeight);
        historyPanel.Place(right, rightHeight);
        xyPanel.Place(right, rightHeight);
    }
    void Sync() {
        mainPanel.SyncFromModel();
        toolbar.SyncFromModel();
        zoomPanel.SyncFromModel();
        historyPanel.SyncFromModel();
        xyPanel.SyncFromModel();
    }
    std::vector<QWidget*> Roots() { return {&toolbar, &main, &zoom, &history, &xy}; }
    // A window's strip controls: the panels' own children, not Qt's inner widgets.
    std::vector<QWidget*> StripControls(QWidget* root) {
        std::vector<QWidget*> panels{root};
        if (root == &main) panels = {&mainPanel};
        if (root == &zoom) panels = {&zoomPanel, &zoomPanel.Traces()};
        if (root == &history) panels = {&historyPanel};
        if (root == &xy) panels = {&xyPanel};
        std::vector<QWidget*> out;
        for (QWidget* p : panels) {
            for (QWidget* c : p->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                // The overflow button shows only when something does not fit; its panel is a window.
                if (qobject_cast<CTracePanel*>(c) || c->isWindow()) continue;
                if (c->objectName() == QStringLiteral("overflowButton") && c->isHidden()) continue;
                out.push_back(c);
            }
        }
        return out;
    }

    CToolbarPanel toolbar;
    QWidget main, zoom, history, xy;
    CTracePanel mainPanel;
    CZoomPanel zoomPanel;
    CHistoryPanel historyPanel;
    CXyPanel xyPanel;
};

}  // namespace

class PanelsTest : public QObject {
    Q_OBJECT
private slots:
    void traceButtonsToggleTheirWindowsTable();
    void splitListCommandsAndShortcuts();
    void toolbarWindowsGraticuleModesAndSync();
    void rollStopsAtTheEndsAndReleasesItsButton();
    void rollSpeedsJumpAndTimerFailure();
    void ratioKeepsTheCentreScrollBarAndKeysMove();
    void historySizesMarksAndChaser();
    void xyTraceListAndRange();
    void controlsAreNamedReachableAndFitTheStrip();
    void narrowStripsKeepEveryControlWithinReach();
    void badModelStateNeverCrashes();
    void grabPanelPictures();
};

void PanelsTest::traceButtonsToggleTheirWindowsTable() {
    RecordingActions a;
    a.Bind(3, 1, 1000, {"VOLT", "AMP", "TEMP"});
    Windows w(a);
    w.Sync();
    DisplayModel& m = a.Model();
    auto* w2 = Get<QCheckBox>(w.main, 1004);
    auto* w4 = Get<QCheckBox>(w.main, 1012);
    QCOMPARE(w2->toolTip(), QStringLiteral("W2: AMP"));
    QCOMPARE(w4->checkState(), Qt::PartiallyChecked);  // not in the document: greyed, does nothing
    QVERIFY(!w4->isEnabled());

    w2->click();
    QCOMPARE(m.mainOnOff[1], kTraceOff);
    QCOMPARE(m.zoom.onOff[1], kTraceOn);
    QCOMPARE(w2->checkState(), Qt::Unchecked);
    QCOMPARE(a.Redraws(), (Masks{kMain | kHistory | kXy}));
    w2->click();
    QCOMPARE(m.mainOnOff[1], kTraceOn);
    QCOMPARE(w2->checkState(), Qt::Checked);

    // A button still enabled from an earlier document leaves an absent trace absent.
    a.Clear();
    w4->click();
    m.mainOnOff[0] = kTraceAbsent;
    auto* w1 = Get<QCheckBox>(w.main, 1010);
    w1->click();
    QCOMPARE(m.mainOnOff[0], kTraceAbsent);
    QCOMPARE(w1->checkState(), Qt::PartiallyChecked);
    QVERIFY(a.calls.empty());

    Get<QCheckBox>(w.zoom, 1011)->click();
    QCOMPARE(m.zoom.onOff[2], kTraceOff);
    QCOMPARE(m.mainOnOff[2], kTraceOn);
    QCOMPARE(a.Redraws(), (Masks{kZoom | kXy}));

    // "More": a cancelled dialog changes nothing; OK shows the table it wrote and redraws.
    a.Clear();
    auto* more = Get(w.zoom, 1079);
    more->click();
    QCOMPARE(a.calls, (Calls{"select:1"}));
    a.Clear();
    a.onSelection = [](DisplayModel& model, WindowId id) {
        (id == WindowId::Zoom ? model.zoom.onOff : model.mainOnOff)[0] = kTraceOff;
        return true;
    };
    more->click();
    QCOMPARE(Get<QCheckBox>(w.zoom, 1010)->checkState(), Qt::Unchecked);
    QCOMPARE(a.calls, (Calls{"select:1", "redraw:" + std::to_string(kZoom | kXy)}));
}

void PanelsTest::splitListCommandsAndShortcuts() {
    RecordingActions a;
    Windows w(a);
    auto* list = Get<QComboBox>(w.main, 1077);
    QCOMPARE(list->count(), 16);
    list->setCurrentIndex(3);
    QCOMPARE(a.Model().mainSplit, 4);
    QCOMPARE(a.Redraws(), (Masks{kMain | kHistory | kXy}));

    for (const auto& [id, split] : CTracePanel::kSplitCommands) {
        QVERIFY(w.mainPanel.RunSplitCommand(id));
        QCOMPARE(a.Model().mainSplit, split);
        QCOMPARE(list->currentIndex(), split - 1);
    }
    QCOMPARE(a.Model().mainSplit, 8);  // 1030 was last
    a.Clear();
    QVERIFY(!w.mainPanel.RunSplitCommand(1029));
    w.mainPanel.SetSplit(0);
    w.mainPanel.SetSplit(17);
    QCOMPARE(a.Model().mainSplit, 8);
    QVERIFY(a.calls.empty());

    Get<QComboBox>(w.zoom, 1077)->setCurrentIndex(1);
    QCOMPARE(a.Model().zoom.splitCount, 2);
    QCOMPARE(a.Redraws(), (Masks{kZoom | kXy}));

    // Alt+digit wherever the focus is in the window, and only there.
    w.zoom.show();
    QApplication::setActiveWindow(&w.zoom);
    QVERIFY(QTest::qWaitForWindowActive(&w.zoom));
    w.zoom.setFocus();
    QTest::keyClick(&w.zoom, Qt::Key_6, Qt::AltModifier);
    QCOMPARE(a.Model().zoom.splitCount, 6);
    QTest::keyClick(Get(w.zoom, 1018), Qt::Key_3, Qt::AltModifier);
    QCOMPARE(a.Model().zoom.splitCount, 3);
    QCOMPARE(a.Model().mainSplit, 8);
    QCOMPARE(Get<QComboBox>(w.zoom, 1077)->actions().size(), 6);  // its context menu
}

void PanelsTest::toolbarWindowsGraticuleModesAndSync() {
    RecordingActions a;
    CToolbarPanel panel(a, nullptr);
    DisplayModel& m = a.Model();
    QCOMPARE(panel.size(), QSize(478, 48));
    QSignalSpy graticules(&panel, &CToolbarPanel::GraticuleChosen);
    QSignalSpy divisions(&panel, &CToolbarPanel::DivisionsChosen);

    auto* zoom = Get(panel, 1007);
    zoom->click();
    QVERIFY(!m.shown[1]);
    QCOMPARE(a.calls, (Calls{"request", "layout:forced"}));
    a.Clear();
    zoom->click();  // back: drawn at once, before the coalesced redraw
    QCOMPARE(a.calls, (Calls{"redraw:" + std::to_string(kZoom), "request", "layout:forced"}));
    for (const auto& [id, index] : {std::pair{1004, 0}, std::pair{1008, 2}, std::pair{1016, 3}}) {
        a.Clear();
        Get(panel, id)->click();
        QVERIFY(!m.shown[static_cast<size_t>(index)]);
        QCOMPARE(a.calls, (Calls{"request", "layout:forced"}));
    }

    Get<QComboBox>(panel, 1081)->setCurrentIndex(3);  // "16"
    for (const auto& [win, h] :
         {std::pair{WindowId::Main, 10}, std::pair{WindowId::Zoom, 10}, std::pair{WindowId::Xy, 16}}) {
        QCOMPARE((std::pair<int, int>{m.Area(win).horizontalDivisions, m.Area(win).verticalDivisions}),
                 (std::pair{h, 16}));
    }
    QCOMPARE(divisions.size(), 1);
    QCOMPARE(divisions[0][0].toInt(), 16);

    for (const auto& [id, style] : {std::pair{1006, 1}, std::pair{1009, 2}, std::pair{1005, 0}}) {
        Get(panel, id)->click();
        for (WindowId win : {WindowId::Main, WindowId::Zoom, WindowId::Xy}) {
            QCOMPARE(int{m.Area(win).graticuleStyle}, style);
        }
        QCOMPARE(int{m.Area(WindowId::History).graticuleStyle}, 4);
        QCOMPARE(graticules.last()[0].toInt(), style);
    }
    for (const auto& [id, mode] : {std::pair{1012, MouseMode::VerticalMove}, std::pair{1013, MouseMode::VerticalZoom},
                                   std::pair{1011, MouseMode::CursorsHidden}, std::pair{1010, MouseMode::Cursors}}) {
        a.Clear();
        Get(panel, id)->click();
        QCOMPARE(m.mouseMode, mode);
        QCOMPARE(a.calls, (Calls{"request"}));
    }
    Get(panel, 1014)->click();
    QVERIFY(m.LightMode());
    a.Clear();
    Get(panel, 1015)->click();
    QVERIFY(m.Snapshot());
    QCOMPARE(a.Redraws(), (Masks{kAllWindows}));

    // Settings loaded: the controls show the model and send nothing back. A style no
    // button offers presses none; a division count the list lacks shows as 10.
    m.shown = {false, true, false, true};
    m.SetGraticuleStyle(5);
    m.SetVerticalDivisions(12);
    m.mouseMode = MouseMode::VerticalZoom;
    m.SetLightMode(false);
    a.Clear();  // the setters marked the windows; the panel itself must ask for nothing
    panel.SyncFromModel();
    const std::pair<int, bool> pressed[] = {{1004, false}, {1007, true},  {1008, false}, {1016, true},  {1005, false},
                                            {1006, false}, {1009, false}, {1013, true},  {1014, false}, {1015, true}};
    for (const auto& [id, on] : pressed) QVERIFY2(Get(panel, id)->isChecked() == on, QByteArray::number(id));
    QCOMPARE(Get<QComboBox>(panel, 1081)->currentText(), QStringLiteral("10"));
    QVERIFY(a.calls.empty());
    QCOMPARE(graticules.size(), 3);
    QCOMPARE(divisions.size(), 1);
    QCOMPARE(panel.Divisions(), 12);
}

void PanelsTest::rollStopsAtTheEndsAndReleasesItsButton() {
    RecordingActions a;
    a.Bind(2, 1, 10000);
    Windows w(a);
    w.Sync();
    w.zoom.show();
    ZoomController& z = a.Model().zoom;
    CZoomPanel& panel = w.zoomPanel;
    CSpeedPanel& speed = panel.SpeedPanel();
    auto* toEnd = Get(w.zoom, 1018);
    auto* stop = Get(w.zoom, 1009);

    toEnd->click();
    QVERIFY(panel.Rolling());
    QVERIFY(speed.isVisible());
    QCOMPARE(speed.parentWidget(), &w.zoom);  // over the window, not clipped to the strip
    QCOMPARE(speed.geometry(), QRect(140, 0, 250, 41));
    a.Clear();
    QVERIFY(Roll(panel) > 10);  // in steps, not at once
    QCOMPARE(z.Position(), z.MaxPosition(10000));
    QVERIFY(stop->isChecked() && !toEnd->isChecked());
    QVERIFY(!speed.isVisible());
    QCOMPARE(panel.ScrollBar().value(), z.ScrollBarPos());
    const Masks redraws = a.Redraws();
    QVERIFY(std::all_of(redraws.begin(), redraws.end(), [](WindowMask mask) { return mask == (kZoom | kXy); }));

    Get(w.zoom, 1006)->click();
    Roll(panel);
    QCOMPARE(z.Position(), 0.0);
    QVERIFY(stop->isChecked());

    // Stopped mid-way: the speed panel goes and a tick still queued moves nothing.
    toEnd->click();
    panel.OnRollTimer();
    const double where = z.Position();
    stop->click();
    QVERIFY(!panel.Rolling() && !speed.isVisible());
    a.Clear();
    panel.OnRollTimer();
    QCOMPARE(z.Position(), where);
    QVERIFY(a.calls.empty());

    toEnd->click();
    panel.move(0, 20);  // the speed panel follows the zoom panel
    QCOMPARE(speed.geometry(), QRect(140, 20, 250, 41));
    // Closing the document ends the roll.
    a.Model().document.loaded = false;
    panel.SyncFromModel();
    QVERIFY(!panel.Rolling() && stop->isChecked() && !toEnd->isEnabled());
}

void PanelsTest::rollSpeedsJumpAndTimerFailure() {
    RecordingActions a;
    a.Bind(1, 1, 10000);
    QWidget window;
    CZoomPanel panel(a, &window);
    ZoomController& z = a.Model().zoom;
    CSpeedPanel& speed = panel.SpeedPanel();
    auto* toEnd = Get(panel, 1018);

    toEnd->click();
    Get(speed, QStringLiteral("speedFAST"))->click();
    QCOMPARE(z.ScrollSpeed(), 50.0);
    panel.OnRollTimer();
    QCOMPARE(z.Position(), z.LineStep(10000));
    Get(panel, 1009)->click();
    toEnd->click();  // every start begins at the slowest speed
    QCOMPARE(z.ScrollSpeed(), 2.0);
    QVERIFY(Get(speed, QStringLiteral("speedMIN"))->isChecked());

    Get(speed, QStringLiteral("speedJUMP"))->click();
    panel.OnRollTimer();  // the whole way in one tick
    QCOMPARE(z.Position(), z.MaxPosition(10000));
    QVERIFY(!panel.Rolling() && Get(panel, 1009)->isChecked());
    QVERIFY(a.ui.Messages().empty());

    RecordingActions b;
    b.Bind(1, 1, 10000);
    QWidget window2;
    RefusingTimerZoomPanel refusing(b, &window2);
    Get(refusing, 1006)->click();
    QCOMPARE(b.ui.Messages().size(), size_t{1});
    QCOMPARE(b.ui.Messages()[0].text, QStringLiteral("Timer invoke error"));
    QCOMPARE(b.ui.Messages()[0].icon, MsgIcon::Exclamation);
    QVERIFY(!refusing.Rolling() && Get(refusing, 1009)->isChecked() && refusing.SpeedPanel().isHidden());
    QCOMPARE(b.Model().zoom.Roll(), RollMode::Stopped);
}

void PanelsTest::ratioKeepsTheCentreScrollBarAndKeysMove() {
    RecordingActions a;
    a.Bind(1, 1, 100000);
    Windows w(a);
    w.Sync();
    CZoomPanel& panel = w.zoomPanel;
    ZoomController& z = a.Model().zoom;
    const int64_t L = 100000;
    QScrollBar& bar = panel.ScrollBar();
    auto* ratio = Get<QComboBox>(w.zoom, QStringLiteral("zoomRatio"));
    QCOMPARE(ratio->count(), 12);
    QCOMPARE(ratio->itemText(0), QStringLiteral("x1 ( 50kW)"));
    QCOMPARE(ratio->itemText(11), QStringLiteral("x10000 ( 10W)"));
    QCOMPARE(bar.parentWidget(), &w.zoom);
    QCOMPARE(bar.geometry(), QRect(0, 300 - bar.height(), 1100, bar.height()));

    bar.setSliderPosition(2500);  // as a drag of the thumb does: 25000 .. 75000
    QCOMPARE(z.Position(), 2.5e10);
    a.Clear();
    ratio->setCurrentIndex(2);  // 10k about the same centre
    QCOMPARE(z.Position() * L * 1e-11 + 5000, 50000.0);
    QCOMPARE(bar.value(), 4500);
    QCOMPARE(a.Redraws(), (Masks{kZoom | kXy}));
    bar.setSliderPosition(8900);
    ratio->setCurrentIndex(0);  // widening near the end pins the stretch to the end
    QCOMPARE(z.Position(), z.MaxPosition(L));
    QCOMPARE(bar.value(), 5000);

    auto* in = Get(w.zoom, 1052);
    auto* out = Get(w.zoom, 1053);
    a.Clear();
    out->click();  // nothing before the first entry
    QVERIFY(a.calls.empty());
    in->click();
    QCOMPARE(ratio->currentIndex(), 1);
    QCOMPARE(a.Redraws(), (Masks{kZoom | kXy}));
    ratio->setCurrentIndex(11);
    a.Clear();
    in->click();  // nor after the last
    QVERIFY(a.calls.empty());
    out->click();
    QCOMPARE(z.Selected(), 10u);

    // Keys move by whole samples: Left/Right a column's worth in whole start units (the zoom
    // start's alignment), always at least one; PgUp/PgDn the window's own width.
    const int columns = a.Model().Area(WindowId::Zoom).areaWidth;
    QCOMPARE(columns, 400);
    ratio->setCurrentIndex(0);  // 50k points: 125 samples a column, starts in units of 100
    QVERIFY(panel.HandleKey(Qt::Key_Home));
    QVERIFY(panel.HandleKey(Qt::Key_Right));
    QCOMPARE(z.ReadPlan(L).start, int64_t{100});
    QVERIFY(panel.HandleKey(Qt::Key_Right));
    QCOMPARE(z.ReadPlan(L).start, int64_t{200});
    QCOMPARE(bar.value(), 20);
    QVERIFY(panel.HandleKey(Qt::Key_PageDown));
    QCOMPARE(z.ReadPlan(L).start, int64_t{50000});  // the width, kept inside the record
    QVERIFY(panel.HandleKey(Qt::Key_PageUp));
    QCOMPARE(z.ReadPlan(L).start, int64_t{0});
    QVERIFY(panel.HandleKey(Qt::Key_Left));
    QCOMPARE(z.Position(), 0.0);  // and no further (the steps at every ratio are ViewNavigation's test)
    QVERIFY(panel.HandleKey(Qt::Key_End));
    QCOMPARE(z.Position(), z.MaxPosition(L));
    QVERIFY(panel.HandleKey(Qt::Key_Plus) && panel.HandleKey(Qt::Key_Equal) && panel.HandleKey(Qt::Key_Minus));
    QCOMPARE(ratio->currentIndex(), 1);
    a.Clear();
    QVERIFY(!panel.HandleKey(Qt::Key_A));
    QVERIFY(a.calls.empty());

    // The bar's own steps go through the same scrolling.
    QVERIFY(panel.HandleKey(Qt::Key_Home));
    bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(z.Position(), 2e9);
    QCOMPARE(bar.value(), 200);

    // A new document refills the list from its first entry; without one keys do nothing.
    a.Bind(1, 1, 10000);
    panel.SyncFromModel();
    QCOMPARE(ratio->count(), 9);
    QCOMPARE(bar.value(), 0);
    a.Model().document.loaded = false;
    panel.SyncFromModel();
    a.Clear();
    QVERIFY(panel.HandleKey(Qt::Key_End) && panel.HandleKey(Qt::Key_Plus));
    QVERIFY(a.calls.empty());
}

void PanelsTest::historySizesMarksAndChaser() {
    RecordingActions a;
    a.Bind(1, 30, 1000);
    DisplayModel& m = a.Model();
    m.history.RecomputeGrid(400, 300);  // as the window layout does
    Windows w(a);
    w.Resize(1100, 300, 400, 300);
    QScrollBar& bar = w.historyPanel.ScrollBar();
    QCOMPARE(bar.parentWidget(), &w.history);
    QCOMPARE(bar.geometry(), QRect(400 - bar.width(), 36, bar.width(), 264));
    QCOMPARE(bar.maximum(), 29);
    QVERIFY(Get(w.history, 1052)->isChecked());

    Get(w.history, 1053)->click();
    QCOMPARE(m.history.Cell().width, 200);
    QCOMPARE(m.history.CellsShown(), 1);
    QCOMPARE(a.Redraws(), (Masks{kHistory}));
    Get(w.history, 1051)->click();
    QCOMPARE(m.history.Cell().height, 48);
    QCOMPARE(m.history.Columns(), 4);
    QCOMPARE(bar.singleStep(), 4);
    QCOMPARE(bar.pageStep(), 12);

    a.Clear();
    Get(w.history, 1048)->click();
    QCOMPARE(Marked(m), Range(0, 30));
    QCOMPARE(a.Redraws(), (Masks{kAllWindows}));
    Get(w.history, 1049)->click();
    QVERIFY(Marked(m).empty());

    auto* chaser = Get<CWrapButton>(w.history, 1050);
    QCOMPARE(chaser->text(), QStringLiteral("  WINDOW    CHASER"));
    QCOMPARE(chaser->ShownText(), QStringLiteral("WINDOW\nCHASER"));
    m.document.currentRecord = 7;
    a.Clear();
    chaser->click();
    QCOMPARE(Marked(m), Range(0, 12));
    QCOMPARE(m.document.currentRecord, 0);
    QCOMPARE(a.Redraws(), (Masks{kAllWindows}));

    // With the chaser on the marks move with the view and the top-left record becomes current.
    a.Clear();
    bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(bar.value(), 4);
    QCOMPARE(Marked(m), Range(4, 16));
    QCOMPARE(m.document.currentRecord, 4);
    QCOMPARE(a.Redraws(), (Masks{kAllWindows}));
    bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(Marked(m), Range(16, 28));
    bar.triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(Marked(m), Range(29, 30));
    bar.triggerAction(QAbstractSlider::SliderPageStepSub);
    Get(w.history, 1052)->click();  // another size shows other records: the marks follow
    QCOMPARE(Marked(m), Range(17, 23));

    chaser->click();
    a.Clear();
    bar.triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(m.history.FirstShown(), 14);
    QCOMPARE(Marked(m), Range(17, 23));
    QCOMPARE(a.Redraws(), (Masks{kHistory}));
    bar.setSliderPosition(2);  // the thumb dragged
    QCOMPARE(m.history.FirstShown(), 2);
}

void PanelsTest::xyTraceListAndRange() {
    RecordingActions a;
    a.Bind(3, 1, 1000, {"VOLT", "", "AMP"});
    Windows w(a);
    w.Sync();
    DisplayModel& m = a.Model();
    auto* list = Get<QComboBox>(w.xy, 1075);
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->itemText(1), QStringLiteral("W2"));  // a nameless trace keeps its number
    list->setCurrentIndex(2);
    QCOMPARE(m.xy.xTrace, 2);
    QCOMPARE(int{m.mainSet[0].xTrace}, 2);
    QCOMPARE(int{m.zoomSet[23].xTrace}, 2);
    QCOMPARE(a.Redraws(), (Masks{kXy}));

    auto* main = Get<QRadioButton>(w.xy, 1074);
    auto* zoom = Get<QRadioButton>(w.xy, 1073);
    QVERIFY(main->isChecked());
    a.Clear();
    zoom->click();
    QVERIFY(!m.xy.rangeMain);
    QCOMPARE(a.Redraws(), (Masks{kXy}));

    // Loaded settings press "Main" again; an X trace past the list selects its last entry.
    m.xy.rangeMain = true;
    m.xy.xTrace = 40;
    a.Clear();
    w.xyPanel.SyncFromModel();
    QVERIFY(main->isChecked());
    QCOMPARE(list->currentIndex(), 2);
    QVERIFY(a.calls.empty());
    a.Bind(1, 1, 500, {"PRESS"});
    w.xyPanel.SyncFromModel();
    QCOMPARE(list->count(), 1);
}

void PanelsTest::controlsAreNamedReachableAndFitTheStrip() {
    RecordingActions a;
    a.Bind(8, 4, 100000, {"CH1", "CH2", "CH3", "CH4", "CH5", "CH6", "CH7", "A LONG TRACE NAME 1"});
    Windows w(a);
    w.Sync();
    std::vector<QWidget*> controls{&w.zoomPanel.ScrollBar(), &w.historyPanel.ScrollBar()};
    for (QWidget* root : w.Roots()) {
        for (QWidget* c : w.StripControls(root)) controls.push_back(c);
    }
    for (QWidget* c : w.zoomPanel.SpeedPanel().findChildren<QPushButton*>()) {
        QVERIFY2(WideEnoughForItsText(c), c->objectName().toLatin1());
        controls.push_back(c);
    }
    for (QWidget* c : controls) {
        const QByteArray what = c->objectName().toLatin1();
        QVERIFY2(!c->accessibleName().isEmpty(), what);
        if (!qobject_cast<QAbstractButton*>(c) && !qobject_cast<QComboBox*>(c) && !qobject_cast<QAbstractSlider*>(c)) {
            continue;
        }
        QVERIFY2(c->focusPolicy() & Qt::TabFocus, what);
        if (auto* b = qobject_cast<QAbstractButton*>(c); b && b->text().isEmpty()) {
            QVERIFY2(!b->toolTip().isEmpty() && !b->icon().isNull(), what);
        }
    }

    // At the usual sizes everything shows inside the strip, clear of its neighbours and wide
    // enough for its text; narrower windows hide what does not fit instead of cutting it.
    for (QWidget* root : w.Roots()) {
        const int strip = root == &w.toolbar ? 48 : 36;
        std::vector<QRect> placed;
        for (QWidget* c : w.StripControls(root)) {
            const QByteArray what = c->objectName().toLatin1();
            const QRect r(c->mapTo(root, QPoint(0, 0)), c->size());
            QVERIFY2(!c->isHidden() && r.top() >= 0 && r.bottom() < strip && r.right() < root->width(), what);
            QVERIFY2(std::none_of(placed.begin(), placed.end(), [&r](const QRect& o) { return o.intersects(r); }),
                     what);
            QVERIFY2(WideEnoughForItsText(c), what);
            placed.push_back(r);
        }
    }
    for (int width : {0, 60, 150, 300, 520}) {
        w.Resize(width, 200, width, 200);
        for (QWidget* root : {&w.main, &w.zoom, &w.history, &w.xy}) {
            int shown = 0;
            for (QWidget* c : w.StripControls(root)) {
                if (c->isHidden()) continue;
                QVERIFY2(c->mapTo(root, QPoint(c->width(), 0)).x() <= width, c->objectName().toLatin1());
                ++shown;
            }
            QVERIFY(width > 0 || shown == 0);
        }
        QCOMPARE(Get(w.history, 1048)->isHidden(), Get(w.history, 1049)->isHidden());  // groups go whole
    }
}

void PanelsTest::narrowStripsKeepEveryControlWithinReach() {
    RecordingActions a;
    a.Bind(8, 4, 100000, {"CH1", "CH2", "CH3", "CH4", "CH5", "CH6", "CH7", "CH8"});
    Windows w(a);
    w.Sync();
    // What the Zoom and XY strips hold at full width.
    std::vector<QWidget*> zoomControls = w.StripControls(&w.zoom), xyControls = w.StripControls(&w.xy);
    struct Case {
        QWidget* root;
        CStripOverflow* overflow;
        std::vector<QWidget*>* controls;
    };
    const Case cases[] = {{&w.zoom, &w.zoomPanel.Overflow(), &zoomControls},
                          {&w.xy, &w.xyPanel.Overflow(), &xyControls}};
    // 800 x 600 and scale 2 on 1600 x 1200 leave a left column of about 560 and a right one of 240.
    for (const int width : {1100, 700, 560, 420, 300, 240, 160}) {
        w.Resize(width, 200, width, 200);
        for (const Case& c : cases) {
            bool overflowed = false;
            for (QWidget* control : *c.controls) {
                const QByteArray what = control->objectName().toLatin1() + " at " + QByteArray::number(width);
                if (control->parentWidget() == c.overflow->Panel()) {
                    overflowed = true;  // on a row of the overflow panel, whole
                    QVERIFY2(!control->isHidden() && control->geometry().right() < c.overflow->Panel()->width(), what);
                    continue;
                }
                // Otherwise in the strip, whole and clear of the overflow button.
                const QRect r(control->mapTo(c.root, QPoint(0, 0)), control->size());
                QVERIFY2(!control->isHidden() && r.right() < width, what);
                if (!c.overflow->Button()->isHidden()) QVERIFY2(!r.intersects(c.overflow->Button()->geometry()), what);
            }
            QCOMPARE(!c.overflow->Button()->isHidden(), overflowed);
            QVERIFY(c.overflow->Button()->geometry().right() < width);
        }
    }
    // Wide again: everything back in its strip.
    w.Resize(1100, 300, 1100, 300);
    for (QWidget* control : zoomControls) QVERIFY(control->parentWidget() != w.zoomPanel.Overflow().Panel());
    QVERIFY(w.zoomPanel.Overflow().Button()->isHidden());
    // The button opens the panel, and a control in it still works.
    w.Resize(300, 200, 200, 200);
    w.zoomPanel.Overflow().Button()->click();
    QVERIFY(w.zoomPanel.Overflow().Panel()->isVisible());
    auto* in = w.zoomPanel.Overflow().Panel()->findChild<QToolButton*>(QStringLiteral("id1052"));
    QVERIFY(in);
    a.Clear();
    in->click();
    QCOMPARE(a.Model().zoom.Selected(), 1u);
    w.zoomPanel.Overflow().Panel()->hide();
}

void PanelsTest::badModelStateNeverCrashes() {
    RecordingActions a;
    Windows w(a);
    DisplayModel& m = a.Model();
    m.mouseMode = static_cast<MouseMode>(9);
    m.xy.xTrace = -5;
    m.xy.xTraceList = std::vector<std::string>(30, "X");
    m.xy.xTraceList[1] = std::string("\xff\xfe bad", 6);
    m.mainSplit = 99;
    m.zoom.splitCount = -3;
    m.document.loaded = true;  // claims more records than the display keeps, and no points
    m.document.recordCount = 5000;
    m.mainOnOff.fill(7);
    w.Sync();
    QCOMPARE(w.historyPanel.ScrollBar().maximum(), 999);
    QCOMPARE(Get<QComboBox>(w.xy, 1075)->count(), 24);
    QCOMPARE(Get<QComboBox>(w.xy, 1075)->itemText(1), QString::fromLatin1("\xff\xfe bad"));
    QCOMPARE(Get<QCheckBox>(w.main, 1010)->checkState(), Qt::PartiallyChecked);
    Get(w.history, 1048)->click();
    QCOMPARE(Marked(m), Range(0, 1000));
    w.historyPanel.ScrollBar().triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(m.history.FirstShown(), 999);
    QVERIFY(w.zoomPanel.HandleKey(Qt::Key_End));
    QCOMPARE(m.zoom.Position(), 0.0);
    w.Resize(-10, -10, -10, -10);
}

void PanelsTest::grabPanelPictures() {
    // Pictures to look at: KIVELO_PANEL_SHOTS=<folder>, once more with QT_SCALE_FACTOR=2.
    const QString folder = qEnvironmentVariable("KIVELO_PANEL_SHOTS");
    if (folder.isEmpty()) QSKIP("KIVELO_PANEL_SHOTS not set");
    QDir().mkpath(folder);
    RecordingActions a;
    a.Bind(5, 40, 100000, {"VOLT", "CURRENT", "TEMP", "PRESSURE", "SPEED"});
    a.Model().history.RecomputeGrid(360, 300);
    Windows w(a);
    w.Sync();
    Get<QCheckBox>(w.main, 1011)->click();
    for (QWidget* root : w.Roots()) root->show();
    Get(w.zoom, 1018)->click();
    Get(w.zoomPanel.SpeedPanel(), QStringLiteral("speedFAST"))->click();
    const QString suffix =
        qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? QStringLiteral("@2x.png") : QStringLiteral(".png");
    auto save = [&](QWidget& widget, const char* name, int height) {
        return widget.grab(QRect(0, 0, widget.width(), height)).save(folder + '/' + name + suffix);
    };
    QVERIFY(save(w.toolbar, "toolbar", 48) && save(w.main, "main", 60) && save(w.zoom, "zoom", 60) &&
            save(w.history, "history", 60) && save(w.xy, "xy", 60));
    w.Resize(300, 200, 150, 200);
    QVERIFY(save(w.main, "main-narrow", 40) && save(w.history, "history-narrow", 60));
}

QTEST_MAIN(PanelsTest)
#include "PanelsTest.moc"
