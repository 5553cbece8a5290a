#pragma once
// Look shared by the control strips: compact fonts, group captions above the
// controls, icon buttons and the panel background.
#include <QFont>
#include <QString>

#include <string_view>

#include "app/ui/CIcons.h"

class QLabel;
class QToolButton;
class QWidget;

namespace kivelo::app {

// Strip of a display window: captions on top, one row of controls below.
inline constexpr int kStripHeight = 36;
inline constexpr int kCaptionY = 1;
inline constexpr int kCaptionHeight = 12;
inline constexpr int kRowY = 14;
inline constexpr int kRowHeight = 20;
inline constexpr int kStripMargin = 4;
inline constexpr int kGroupGap = 10;

QFont PanelFont();
QFont CaptionFont();
// Fixed pitch, so the padded labels of the ratio list line up.
QFont FixedPanelFont();

// Panel background and font.
void SetUpPanel(QWidget* panel);
// Object name of a control with a dialog id: "id1010".
QString IdName(int id);
QLabel* MakeCaption(QWidget* parent, const QString& text);
// A bold window name at the left of a strip.
QLabel* MakeTitle(QWidget* parent, const QString& text);
// Checkable icon-only button; `what` is its tooltip and accessible name.
QToolButton* MakeIconButton(QWidget* parent, int id, IconId icon, const QString& what, int iconSize = 16);
// Texts of the waveform file: UTF-8 when valid, else taken byte for byte.
QString FromFileText(std::string_view text);

}  // namespace kivelo::app
