#pragma once
// The scale dialog: the upper and lower value of the
// selected trace's vertical range. Modeless; one instance lives with the frame
// and is opened at the pointer by the mouse handler.
#include <QDialog>
#include <QPoint>
#include <QString>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kivelo::app {

class CUiSeam;

class CScaleDialog final : public QDialog {
    Q_OBJECT
public:
    CScaleDialog(CUiSeam& ui, QWidget* parent);

    // Shows the dialog with its top-left corner at globalPos (kept on the
    // screen), the trace's name in the "CH" static and the two texts in the
    // edits, and puts the focus on the upper value.
    void OpenAt(QPoint globalPos, const QString& traceName, const QString& upper, const QString& lower);
    // The same, modal: returns when the dialog closes (QDialog::Accepted or Rejected).
    int ExecAt(QPoint globalPos, const QString& traceName, const QString& upper, const QString& lower);

    // Applies the range to the selected trace; true when the display accepts
    // it. (0, 0) restores the trace's default range. Set by the owner; while
    // unset every range counts as refused.
    std::function<bool(double upper, double lower)> setTraceRange;

    // The texts as last exchanged with the edits (on open and on OK).
    const QString& UpperText() const { return upperText_; }
    const QString& LowerText() const { return lowerText_; }

private:
    void Prepare(QPoint globalPos, const QString& traceName, const QString& upper, const QString& lower);
    void OnOk();
    void OnDefault();

    CUiSeam& ui_;
    QLabel* traceName_ = nullptr;
    QLineEdit* upper_ = nullptr;
    QLineEdit* lower_ = nullptr;
    QString upperText_;
    QString lowerText_;
};

}  // namespace kivelo::app
