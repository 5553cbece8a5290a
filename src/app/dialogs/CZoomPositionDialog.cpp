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

    auto* label = new QLabel(tr("Zoom Position"), this);
    label->setObjectName(QStringLiteral("labelZoomPosition"));
    position_ = new QLineEdit(this);
    position_->setObjectName(QStringLiteral("id1064"));
    position_->setAccessibleName(tr("Zoom position"));
    position_->setAccessibleDescription(tr("Start time of the zoomed stretch"));
    position_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("-000.0000ms")) + 12);
    label->setBuddy(position_);

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("idOK"));
    ok->setAccessibleName(tr("OK"));
    ok->setAccessibleDescription(tr("Move the zoomed stretch"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("CANCEL"), this);
    cancel->setObjectName(QStringLiteral("idCANCEL"));
    cancel->setAccessibleName(tr("CANCEL"));
    cancel->setAccessibleDescription(tr("Close without change"));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 3, 6, 3);
    row->setSpacing(6);
    row->addWidget(label);
    row->addWidget(position_, 1);
    row->addWidget(ok);
    row->addWidget(cancel);

    connect(ok, &QPushButton::clicked, this, &CZoomPositionDialog::OnOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

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
