#pragma once
// Typing a cursor's time: opened by a double click on a cursor readout or
// Ctrl+G in the Main or Zoom window, prefilled with the cursor's time.
#include <QDialog>
#include <QPoint>
#include <QString>
#include <functional>

class QLabel;
class QLineEdit;

namespace kivelo::app {

class CUiSeam;

class CCursorTimeDialog final : public QDialog {
    Q_OBJECT
public:
    CCursorTimeDialog(CUiSeam& ui, QWidget* parent);

    // Shows the dialog at globalPos for the Mes or Ref cursor with `text` in the edit.
    void OpenAt(QPoint globalPos, bool mes, const QString& text);

    // Puts the cursor at the time (seconds); true when it lies in the record.
    std::function<bool(bool mes, double time)> setCursorTime;

private:
    void OnOk();

    CUiSeam& ui_;
    QLabel* label_ = nullptr;
    QLineEdit* time_ = nullptr;
    bool mes_ = true;
};

}  // namespace kivelo::app
