#include "app/analysis/CAnalysisCommands.h"

#include <QSettings>

#include "app/analysis/CMeasureWindow.h"
#include "app/analysis/CSpectrumWindow.h"
#include "app/frame/CMainFrame.h"

namespace kivelo::app {

namespace {

const QString kMeasureShown = QStringLiteral("analysis/measureShown");
const QString kSpectrumShown = QStringLiteral("analysis/spectrumShown");

void Toggle(QWidget* w) {
    w->setVisible(!w->isVisible());
    if (w->isVisible()) {
        w->raise();
        w->activateWindow();
    }
}

}  // namespace

CAnalysisCommands::CAnalysisCommands(CMainFrame& frame)
    : measure_(new CMeasureWindow(frame)),
      spectrum_(new CSpectrumWindow(frame, [this] { return measure_->Choice(); })) {
    frame.Handle(cmd::kMeasureWindow, [this] { Toggle(measure_); });
    frame.Handle(cmd::kSpectrumWindow, [this] { Toggle(spectrum_); });
}

void CAnalysisCommands::SettingsLoaded() {
    const QSettings profile;
    measure_->setVisible(profile.value(kMeasureShown, false).toBool());
    spectrum_->setVisible(profile.value(kSpectrumShown, false).toBool());
}

void CAnalysisCommands::StoreSettings() {
    QSettings profile;
    profile.setValue(kMeasureShown, measure_->isVisible());
    profile.setValue(kSpectrumShown, spectrum_->isVisible());
}

}  // namespace kivelo::app
