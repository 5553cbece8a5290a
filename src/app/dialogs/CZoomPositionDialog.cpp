#include "app/dialogs/CZoomPositionDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/dialogs/DialogSupport.h"

namespace kivelo::app {

CZoomPositionDialog::CZoomPositionDialog(CUiSeam& ui, QWidget* parent) : QDialog(parent), ui_(ui) {
    setObjectName(QStringLiteral("ZoomPositionDialog"));
    setWindowTitle(tr("Zoom Position"));
    setAccessibleName(tr("Zoom Position"));
    setAccessibleDescription(tr("Start time of the zoomed stretch"));
    setModal(false);

    const ValueRow row = MakeValueRow(*this, tr("Zoom Position"), QStringLiteral("id1064"),
                                      tr("Start time of the zoomed stretch"), tr("Move the zoomed stretch"));
    position_ = row.edit;
    position_->setAccessibleName(tr("Zoom position"));
    connect(row.ok, &QPushButton::clicked, this, &CZoomPositionDialog::OnOk);

    resize(QSize(300, 33).expandedTo(minimumSizeHint()));
}

void CZoomPositionDialog::OpenAt(QPoint globalPos, const QString& text) {
    positionText_ = text;
    position_->setText(positionText_);
    resize(size().expandedTo(minimumSizeHint()));
    PlaceWindowAt(*this, globalPos);
    show();
    raise();
    activateWindow();
    position_->setFocus(Qt::PopupFocusReason);
    position_->selectAll();
}

void CZoomPositionDialog::OnOk() {
    positionText_ = position_->text();
    const std::optional<double> position = ParseValueText(positionText_);
    if (!position || !setZoomPosition || !setZoomPosition(*position)) {
        ShowInvalidValue(ui_, this);
        position_->setFocus(Qt::OtherFocusReason);
        position_->selectAll();
        return;
    }
    accept();
}

}  // namespace kivelo::app
