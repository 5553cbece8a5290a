#pragma once
// Small helpers shared by the value dialogs.
#include <QPoint>
#include <QString>
#include <optional>

class QWidget;

namespace kivelo::app {

class CUiSeam;

// "Invalid Value", no title of its own, exclamation icon.
void ShowInvalidValue(CUiSeam& ui, QWidget* parent);

// The number at the start of text (ParseLeadingNumber on its UTF-8 form).
std::optional<double> ParseValueText(const QString& text);

// Moves the top-level window so that its top-left corner is at globalPos,
// pulled back inside the available area of the screen under that point.
void PlaceWindowAt(QWidget& window, QPoint globalPos);

}  // namespace kivelo::app
