#include "app/dialogs/CCursorTimeDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/dialogs/DialogSupport.h"
#include "display/NumberFormat.h"

namespace kivelo::app {

CCursorTimeDialog::CCursorTimeDialog(CUiSeam& ui, QWidget* parent) : QDialog(parent), ui_(ui) {
    setObjectName(QStringLiteral("CursorTimeDialog"));
    setWindowTitle(tr("Cursor Time"));
    setAccessibleName(tr("Cursor Time"));
    setAccessibleDescription(tr("Time to put the cursor at, with its unit prefix (ms, us)"));
    setModal(false);

    const ValueRow row = MakeValueRow(*this, tr("MesCursor:"), QStringLiteral("cursorTime"), tr("Time of the cursor"),
                                      tr("Put the cursor at this time"));
    label_ = row.label;
    time_ = row.edit;
    time_->setAccessibleName(tr("Cursor time"));
    connect(row.ok, &QPushButton::clicked, this, &CCursorTimeDialog::OnOk);
    resize(QSize(300, 33).expandedTo(minimumSizeHint()));
}

void CCursorTimeDialog::OpenAt(QPoint globalPos, bool mes, const QString& text) {
    mes_ = mes;
    label_->setText(mes ? tr("MesCursor:") : tr("RefCursor:"));
    time_->setText(text);
    resize(size().expandedTo(minimumSizeHint()));
    PlaceWindowAt(*this, globalPos);
    show();
    raise();
    activateWindow();
    time_->setFocus(Qt::PopupFocusReason);
    time_->selectAll();
}

void CCursorTimeDialog::OnOk() {
    const QByteArray utf8 = time_->text().toUtf8();
    const std::optional<double> t =
        ParseEngineering(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
    if (!t || !setCursorTime || !setCursorTime(mes_, *t)) {
        ShowInvalidValue(ui_, this);
        time_->setFocus(Qt::OtherFocusReason);
        time_->selectAll();
        return;
    }
    accept();
}

}  // namespace kivelo::app
