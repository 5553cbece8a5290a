#include "app/panels/CTracePanel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>

#include "app/panels/CStripLayout.h"
#include "app/panels/CStripOverflow.h"
#include "app/panels/PanelStyle.h"

namespace kivelo::app {
namespace {

constexpr std::array<int, CTracePanel::kButtons> kButtonIds{1010, 1004, 1011, 1012, 1013, 1014, 1015, 1016};
constexpr CStripLayout::Rows kRows{kCaptionY, kCaptionHeight, kRowY, kRowHeight};

QString WindowName(WindowId w) { return w == WindowId::Zoom ? QStringLiteral("Zoom") : QStringLiteral("Main"); }

}  // namespace

CTracePanel::CTracePanel(CDisplayActions& actions, WindowId window, QWidget* parent)
    : QWidget(parent), actions_(actions), window_(window == WindowId::Zoom ? WindowId::Zoom : WindowId::Main) {
    const QString name = WindowName(window_);
    setObjectName(window_ == WindowId::Zoom ? QStringLiteral("zoomTracePanel") : QStringLiteral("mainPanel"));
    setAccessibleName(name + QStringLiteral(" window traces"));
    SetUpPanel(this);

    title_ = MakeTitle(this, name);
    displayCaption_ = MakeCaption(this, QStringLiteral("DISPLAY"));
    for (int i = 0; i < kButtons; ++i) {
        auto* b = new QCheckBox(QStringLiteral("W%1").arg(i + 1), this);
        b->setObjectName(IdName(kButtonIds[static_cast<size_t>(i)]));
        b->setAccessibleName(QStringLiteral("Show trace W%1 in the %2 window").arg(i + 1).arg(name));
        b->setFocusPolicy(Qt::StrongFocus);
        connect(b, &QCheckBox::clicked, this, [this, i] { Press(i); });
        buttons_[static_cast<size_t>(i)] = b;
    }
    // A double click on W1 of the Main window opens the scale dialog of that trace.
    if (window_ == WindowId::Main) buttons_[0]->installEventFilter(this);
    more_ = new QPushButton(QStringLiteral("More"), this);
    more_->setObjectName(IdName(1079));
    more_->setAccessibleName(QStringLiteral("Choose among all 24 traces of the %1 window").arg(name));
    more_->setToolTip(QStringLiteral("All 24 traces"));
    more_->setFocusPolicy(Qt::StrongFocus);
    connect(more_, &QPushButton::clicked, this, &CTracePanel::OpenMore);

    splitCaption_ = MakeCaption(this, QStringLiteral("SPLIT"));
    split_ = new QComboBox(this);
    split_->setObjectName(IdName(1077));
    split_->setAccessibleName(QStringLiteral("Groups the %1 window is split into").arg(name));
    split_->setToolTip(QStringLiteral("Split the window into groups (Alt+1 .. Alt+8)"));
    for (int n = 1; n <= kMaxSplit; ++n) split_->addItem(QString::number(n));
    connect(split_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) SetSplit(index + 1);
    });

    QWidget* host = parent ? parent : this;
    for (size_t i = 0; i < kSplitCommands.size(); ++i) {
        const int count = kSplitCommands[i].second;
        auto* a = new QAction(QStringLiteral("Split %1").arg(count), this);
        a->setObjectName(QStringLiteral("split%1Action").arg(count));
        a->setShortcut(QKeySequence(Qt::ALT | static_cast<Qt::Key>(Qt::Key_0 + count)));
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(a, &QAction::triggered, this, [this, count] { SetSplit(count); });
        host->addAction(a);
        splitActions_[i] = a;
    }
    for (QWidget* w : {static_cast<QWidget*>(splitCaption_), static_cast<QWidget*>(split_)}) {
        w->setContextMenuPolicy(Qt::ActionsContextMenu);
        for (QAction* a : splitActions_) w->addAction(a);
    }

    overflow_ = new CStripOverflow(this, name + QStringLiteral(" window"));
    SyncFromModel();
}

bool CTracePanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == buttons_[0] && event->type() == QEvent::MouseButtonDblClick) {
        actions_.OpenScaleDialogFor(0);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

OnOffTable& CTracePanel::Table() {
    DisplayModel& m = actions_.Model();
    return window_ == WindowId::Zoom ? m.zoom.onOff : m.mainOnOff;
}

const TraceSet& CTracePanel::Set() const {
    const DisplayModel& m = actions_.Model();
    return window_ == WindowId::Zoom ? m.zoomSet : m.mainSet;
}

void CTracePanel::MarkChanged() {
    actions_.Model().redraw.Mark(window_ == WindowId::Zoom ? ModelChange::ZoomTraces : ModelChange::MainTraces);
}

void CTracePanel::SyncFromModel() {
    for (int i = 0; i < kButtons; ++i) SyncButton(i);
    const QSignalBlocker block(split_);
    split_->setCurrentIndex(std::clamp(Split(), 1, kMaxSplit) - 1);
}

void CTracePanel::SyncButton(int index) {
    QCheckBox* b = buttons_[static_cast<size_t>(index)];
    const uint8_t value = Table()[static_cast<size_t>(index)];
    const QSignalBlocker block(b);
    if (value == kTraceOff || value == kTraceOn) {
        b->setCheckState(value == kTraceOn ? Qt::Checked : Qt::Unchecked);
        b->setTristate(false);
        b->setEnabled(true);
        const std::string& traceName = Set()[index].name;
        b->setToolTip(traceName.empty() ? QStringLiteral("W%1").arg(index + 1)
                                        : QStringLiteral("W%1: %2").arg(index + 1).arg(FromFileText(traceName)));
    } else {
        // Not in the document: shown indeterminate and greyed, a press does nothing.
        b->setTristate(true);
        b->setCheckState(Qt::PartiallyChecked);
        b->setEnabled(false);
        b->setToolTip(QStringLiteral("W%1: not in the file").arg(index + 1));
    }
}

void CTracePanel::Press(int index) {
    actions_.Model().ToggleTrace(window_, index);
    SyncButton(index);
}

void CTracePanel::OpenMore() {
    if (!actions_.OpenTraceSelection(window_)) return;
    SyncFromModel();
    MarkChanged();
}

int CTracePanel::Split() const {
    const DisplayModel& m = actions_.Model();
    return window_ == WindowId::Zoom ? m.zoom.splitCount : m.mainSplit;
}

void CTracePanel::SetSplit(int count) {
    if (!actions_.Model().SetSplit(window_, count, kMaxSplit)) return;
    const QSignalBlocker block(split_);
    split_->setCurrentIndex(count - 1);
}

std::optional<int> CTracePanel::SplitOfCommand(int commandId) {
    for (const auto& [id, count] : kSplitCommands) {
        if (id == commandId) return count;
    }
    return std::nullopt;
}

bool CTracePanel::RunSplitCommand(int commandId) {
    const std::optional<int> count = SplitOfCommand(commandId);
    if (!count) return false;
    SetSplit(*count);
    return true;
}

void CTracePanel::Place(int windowWidth, int windowHeight, CStripOverflow* overflow) {
    const bool own = overflow == nullptr;
    if (own) {
        overflow = overflow_;
        overflow->Begin();
    }
    CStripLayout strip(windowWidth, kStripMargin, kRows, overflow);
    strip.AddTall(title_, title_->fontMetrics().horizontalAdvance(title_->text()) + 8, 0, kStripHeight);
    strip.EndGroup(4);
    strip.Caption(displayCaption_, false);
    for (QCheckBox* b : buttons_) strip.Add(b, std::max(b->sizeHint().width() + 2, 34));
    strip.Add(more_, std::max(more_->fontMetrics().horizontalAdvance(more_->text()) + 16, 42));
    strip.EndGroup(kGroupGap);
    strip.Caption(splitCaption_);
    strip.Add(split_, std::max(split_->sizeHint().width(), 44));
    strip.EndGroup(0);
    usedWidth_ = strip.X();
    setGeometry(0, 0, std::max(windowWidth, 0), kStripHeight);
    if (own) overflow->Finish(windowWidth);
}

}  // namespace kivelo::app
