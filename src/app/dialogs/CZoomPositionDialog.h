#pragma once
// The zoom position dialog: moves the zoomed stretch
// to a time. Modeless; opened at the pointer by the mouse handler
// with the zoom start time.
#include <QDialog>
#include <QPoint>
#include <QString>
#include <functional>

class QLineEdit;

namespace kivelo::app {

class CUiSeam;

class CZoomPositionDialog final : public QDialog {
    Q_OBJECT
public:
    CZoomPositionDialog(CUiSeam& ui, QWidget* parent);

    // Shows the dialog at globalPos (kept on the screen) with text in the edit.
    void OpenAt(QPoint globalPos, const QString& text);

    // Moves the zoom stretch to the time; true when the display accepts it.
    // Set by the owner; while unset every position counts as refused.
    std::function<bool(double position)> setZoomPosition;

    // The text as last exchanged with the edit (on open and on OK).
    const QString& PositionText() const { return positionText_; }

private:
    void OnOk();

    CUiSeam& ui_;
    QLineEdit* position_ = nullptr;
    QString positionText_;
};

}  // namespace kivelo::app
