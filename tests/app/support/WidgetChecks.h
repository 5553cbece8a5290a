#pragma once
// Generic checks of a window's controls, shared by the shell's Qt tests.
#include <QApplication>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>

namespace kivelo::app::test {

// Controls under root (buttons, check boxes, edits, labels, group boxes, combo
// and spin boxes, sliders, scroll bars) whose accessible name, as an assistive
// tool would read it, is empty; each as "ClassName objectName".
QStringList ControlsWithoutAccessibleName(const QWidget& root);

// Visible labels and buttons under root that are smaller than their minimum
// size hint, i.e. whose text is clipped; each as "ClassName objectName WxH < wxh".
QStringList ClippedControls(const QWidget& root);

// When the environment names a folder in KIVELO_UI_PNG_DIR, writes
// widget.grab() there as name.png (with "@2x" and the like appended when the
// screen is scaled) and returns its path; else returns an empty string.
QString SaveGrabIfAsked(QWidget& widget, const QString& name);

// Runs action on the modal window open once the event loop spins (its exec()
// would otherwise block the test).
template <typename F>
void OnModal(F action) {
    QTimer::singleShot(0, [action] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY2(modal, "no modal window");
        action(*modal);
    });
}

}  // namespace kivelo::app::test
