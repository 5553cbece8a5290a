#include "app/panels/CXyPanel.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>

#include <algorithm>

#include "app/panels/CStripLayout.h"
#include "app/panels/CStripOverflow.h"
#include "app/panels/PanelStyle.h"

namespace kivelo::app {
namespace {

constexpr CStripLayout::Rows kRows{kCaptionY, kCaptionHeight, kRowY, kRowHeight};

}  // namespace

CXyPanel::CXyPanel(CDisplayActions& actions, QWidget* window) : QWidget(window), actions_(actions) {
    setObjectName(QStringLiteral("xyPanel"));
    setAccessibleName(QStringLiteral("XY window controls"));
    SetUpPanel(this);

    title_ = MakeTitle(this, QStringLiteral("XY"));
    xCaption_ = MakeCaption(this, QStringLiteral("X-TRACE"));
    xTrace_ = new QComboBox(this);
    xTrace_->setObjectName(IdName(1075));
    xTrace_->setAccessibleName(QStringLiteral("Trace on the X axis"));
    xTrace_->setToolTip(QStringLiteral("Every trace shown is plotted against this one"));
    xTrace_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(xTrace_, &QComboBox::currentIndexChanged, this, &CXyPanel::ChooseXTrace);

    rangeCaption_ = MakeCaption(this, QStringLiteral("RANGE"));
    main_ = new QRadioButton(QStringLiteral("Main"), this);
    main_->setObjectName(IdName(1074));
    main_->setAccessibleName(QStringLiteral("Plot the whole record of the Main window"));
    zoom_ = new QRadioButton(QStringLiteral("Zoom"), this);
    zoom_->setObjectName(IdName(1073));
    zoom_->setAccessibleName(QStringLiteral("Plot the stretch of the Zoom window"));
    auto* group = new QButtonGroup(this);
    group->addButton(main_);
    group->addButton(zoom_);
    main_->setChecked(true);
    connect(main_, &QRadioButton::clicked, this, [this] { ChooseRange(true); });
    connect(zoom_, &QRadioButton::clicked, this, [this] { ChooseRange(false); });

    overflow_ = new CStripOverflow(this, QStringLiteral("XY window"));
    SyncFromModel();
}

void CXyPanel::SyncFromModel() {
    const DisplayModel& m = actions_.Model();
    {
        const QSignalBlocker block(xTrace_);
        xTrace_->clear();
        // One entry per trace the sets hold, however long the list claims to be.
        const size_t entries = std::min(m.xy.xTraceList.size(), static_cast<size_t>(kTraceCount));
        for (size_t i = 0; i < entries; ++i) {
            const QString name = FromFileText(m.xy.xTraceList[i]);
            xTrace_->addItem(name.trimmed().isEmpty() ? QStringLiteral("W%1").arg(i + 1) : name);
        }
        const int last = xTrace_->count() - 1;
        xTrace_->setCurrentIndex(last >= 0 ? std::clamp(m.xy.xTrace, 0, last) : -1);
    }
    xTrace_->setEnabled(xTrace_->count() > 0);
    (m.xy.rangeMain ? main_ : zoom_)->setChecked(true);
}

void CXyPanel::Place(int windowWidth, int windowHeight) {
    setGeometry(0, 0, std::max(windowWidth, 0), kStripHeight);
    overflow_->Begin();
    CStripLayout strip(windowWidth, kStripMargin, kRows, overflow_);
    strip.AddTall(title_, title_->fontMetrics().horizontalAdvance(title_->text()) + 8, 0, kStripHeight);
    strip.EndGroup(4);
    strip.Caption(xCaption_);
    strip.Add(xTrace_, std::clamp(xTrace_->sizeHint().width(), 100, 180));
    strip.EndGroup(kGroupGap);
    strip.Caption(rangeCaption_);
    strip.Add(main_, main_->sizeHint().width() + 4);
    strip.Add(zoom_, zoom_->sizeHint().width());
    strip.EndGroup(0);
    overflow_->Finish(windowWidth);
}

void CXyPanel::ChooseXTrace(int index) { actions_.Model().SetXTrace(index); }

void CXyPanel::ChooseRange(bool main) { actions_.Model().SetXyRange(main); }

}  // namespace kivelo::app
