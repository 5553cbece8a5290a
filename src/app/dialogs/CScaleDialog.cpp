#include "app/dialogs/CScaleDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/dialogs/DialogSupport.h"

namespace kivelo::app {

namespace {

QPushButton* MakeButton(const QString& text, const char* objectName, const QString& description, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(objectName));
    button->setAccessibleName(text);
    button->setAccessibleDescription(description);
    return button;
}

}  // namespace

CScaleDialog::CScaleDialog(CUiSeam& ui, QWidget* parent) : QDialog(parent), ui_(ui) {
    setObjectName(QStringLiteral("ScaleDialog"));
    setWindowTitle(tr("Scale"));
    setAccessibleName(tr("Scale"));
    setAccessibleDescription(tr("Upper and lower value of the selected trace"));
    setModal(false);

    traceName_ = new QLabel(QStringLiteral("CH"), this);
    traceName_->setObjectName(QStringLiteral("id1043"));
    traceName_->setTextFormat(Qt::PlainText);
    traceName_->setAccessibleName(tr("Trace"));
    QFont bold = traceName_->font();
    bold.setBold(true);
    traceName_->setFont(bold);

    auto* upperLabel = new QLabel(tr("Upper"), this);
    upperLabel->setObjectName(QStringLiteral("labelUpper"));
    upper_ = new QLineEdit(this);
    upper_->setObjectName(QStringLiteral("id1041"));
    upper_->setAccessibleName(tr("Upper value"));
    upperLabel->setBuddy(upper_);

    auto* lowerLabel = new QLabel(tr("Lower"), this);
    lowerLabel->setObjectName(QStringLiteral("labelLower"));
    lower_ = new QLineEdit(this);
    lower_->setObjectName(QStringLiteral("id1042"));
    lower_->setAccessibleName(tr("Lower value"));
    lowerLabel->setBuddy(lower_);

    QPushButton* ok = MakeButton(tr("OK"), "idOK", tr("Apply the range"), this);
    QPushButton* cancel = MakeButton(tr("CANCEL"), "idCANCEL", tr("Close without change"), this);
    QPushButton* byDefault = MakeButton(tr("DEFAULT"), "id3", tr("Restore the trace's default range"), this);
    ok->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    grid->addWidget(traceName_, 0, 0, 1, 2);
    grid->addWidget(upperLabel, 1, 0);
    grid->addWidget(upper_, 1, 1);
    grid->addWidget(lowerLabel, 2, 0);
    grid->addWidget(lower_, 2, 1);
    grid->addWidget(ok, 0, 2);
    grid->addWidget(cancel, 1, 2);
    grid->addWidget(byDefault, 2, 2);
    grid->setColumnStretch(1, 1);
    // Edits wide enough for a long value such as "-1234.567e-12" with room to spare
    // (the frame and the edit's own margins come on top of the text).
    upper_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("-0000.000e-000")) + 12);
    lower_->setMinimumWidth(upper_->minimumWidth());

    setTabOrder(upper_, lower_);
    setTabOrder(lower_, ok);
    setTabOrder(ok, cancel);
    setTabOrder(cancel, byDefault);

    connect(ok, &QPushButton::clicked, this, &CScaleDialog::OnOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(byDefault, &QPushButton::clicked, this, &CScaleDialog::OnDefault);

    resize(QSize(220, 90).expandedTo(minimumSizeHint()));
}

void CScaleDialog::OpenAt(QPoint globalPos, const QString& traceName, const QString& upper, const QString& lower) {
    Prepare(globalPos, traceName, upper, lower);
    show();
    raise();
    activateWindow();
    upper_->setFocus(Qt::PopupFocusReason);
    upper_->selectAll();
}

int CScaleDialog::ExecAt(QPoint globalPos, const QString& traceName, const QString& upper, const QString& lower) {
    hide();  // a modeless opening still showing becomes the modal one
    Prepare(globalPos, traceName, upper, lower);
    upper_->setFocus(Qt::PopupFocusReason);
    upper_->selectAll();
    setModal(true);
    const int result = exec();
    setModal(false);
    return result;
}

void CScaleDialog::Prepare(QPoint globalPos, const QString& traceName, const QString& upper, const QString& lower) {
    upperText_ = upper;
    lowerText_ = lower;
    traceName_->setText(traceName.isEmpty() ? QStringLiteral("CH") : traceName);
    traceName_->setAccessibleName(tr("Trace %1").arg(traceName_->text()));
    upper_->setText(upperText_);
    lower_->setText(lowerText_);
    resize(size().expandedTo(minimumSizeHint()));
    PlaceWindowAt(*this, globalPos);
}

void CScaleDialog::OnOk() {
    upperText_ = upper_->text();
    lowerText_ = lower_->text();
    const std::optional<double> upper = ParseValueText(upperText_);
    const std::optional<double> lower = ParseValueText(lowerText_);
    if (!upper || !lower) {
        ShowInvalidValue(ui_, this);
        QLineEdit* wrong = upper ? lower_ : upper_;
        wrong->setFocus(Qt::OtherFocusReason);
        wrong->selectAll();
        return;
    }
    if (!setTraceRange || !setTraceRange(*upper, *lower)) {
        ShowInvalidValue(ui_, this);
        upper_->setFocus(Qt::OtherFocusReason);
        upper_->selectAll();
        return;
    }
    accept();
}

void CScaleDialog::OnDefault() {
    if (setTraceRange) setTraceRange(0.0, 0.0);  // closes whatever the answer
    accept();
}

}  // namespace kivelo::app
