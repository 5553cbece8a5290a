#pragma once
// Small helpers shared by the value dialogs.
#include <QPoint>
#include <QString>
#include <optional>

class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace kivelo::app {

class CUiSeam;

// "Invalid Value", no title of its own, exclamation icon.
void ShowInvalidValue(CUiSeam& ui, QWidget* parent);

// The number at the start of text (ParseLeadingNumber on its UTF-8 form).
std::optional<double> ParseValueText(const QString& text);

// One row: a label, an edit wide enough for a time such as "-000.0000ms",
// OK (the default button) and CANCEL (which rejects the dialog).
struct ValueRow {
    QLabel* label = nullptr;
    QLineEdit* edit = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
};
ValueRow MakeValueRow(QDialog& dialog, const QString& label, const QString& editName, const QString& editDescription,
                      const QString& okDescription);

// Moves the top-level window so that its top-left corner is at globalPos,
// pulled back inside the available area of the screen under that point.
void PlaceWindowAt(QWidget& window, QPoint globalPos);

}  // namespace kivelo::app
