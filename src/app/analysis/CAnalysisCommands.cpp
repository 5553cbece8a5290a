#include "app/analysis/CAnalysisCommands.h"

#include <QSettings>

#include "app/analysis/CFrequencyWindow.h"
#include "app/analysis/CMeasureWindow.h"
#include "app/core/CommandTable.h"
#include "app/core/SettingsRecord.h"
#include "app/frame/CCommandHost.h"

namespace kivelo::app {

namespace {

const QString kMeasureShown = QStringLiteral("analysis/measureShown");
const QString kSpectrumShown = QStringLiteral("analysis/spectrumShown");

// Kept when the user shows or hides a window, not at exit: the program's windows
// are hidden by then.
void Toggle(QWidget* w, const QString& key) {
    w->setVisible(!w->isVisible());
    QSettings().setValue(key, w->isVisible());
    if (w->isVisible()) {
        w->raise();
        w->activateWindow();
    }
}

}  // namespace

CAnalysisCommands::CAnalysisCommands(CCommandHost& frame)
    : measure_(new CMeasureWindow(frame)),
      spectrum_(new CFrequencyWindow(frame, [this] { return measure_->Choice(); })) {
    frame.Handle(cmd::kMeasureWindow, [this] { Toggle(measure_, kMeasureShown); });
    frame.Handle(cmd::kSpectrumWindow, [this] { Toggle(spectrum_, kSpectrumShown); });
    QObject::connect(measure_, &CMeasureWindow::closedByUser, [] { QSettings().setValue(kMeasureShown, false); });
    QObject::connect(spectrum_, &CFrequencyWindow::closedByUser, [] { QSettings().setValue(kSpectrumShown, false); });
}

void CAnalysisCommands::SettingsLoaded() {
    const QSettings profile;
    measure_->setVisible(profile.value(kMeasureShown, false).toBool());
    spectrum_->setVisible(profile.value(kSpectrumShown, false).toBool());
}

}  // namespace kivelo::app
