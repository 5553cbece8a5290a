#include "app/dialogs/DialogSupport.h"

#include <QDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "app/core/ValueParse.h"
#include "app/ui/CUiSeam.h"

namespace kivelo::app {

void ShowInvalidValue(CUiSeam& ui, QWidget* parent) {
    ui.Message(parent, QStringLiteral("Invalid Value"), QString(), MsgIcon::Exclamation, MsgButtons::Ok);
}

std::optional<double> ParseValueText(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return ParseLeadingNumber(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

ValueRow MakeValueRow(QDialog& dialog, const QString& label, const QString& editName, const QString& editDescription,
                      const QString& okDescription) {
    ValueRow row;
    row.label = new QLabel(label, &dialog);
    row.label->setObjectName(QStringLiteral("label") +
                             QString(label).remove(QLatin1Char(' ')).remove(QLatin1Char(':')));
    row.edit = new QLineEdit(&dialog);
    row.edit->setObjectName(editName);
    row.edit->setAccessibleName(label.endsWith(QLatin1Char(':')) ? label.chopped(1) : label);
    row.edit->setAccessibleDescription(editDescription);
    row.edit->setMinimumWidth(dialog.fontMetrics().horizontalAdvance(QStringLiteral("-000.0000ms")) + 12);
    row.label->setBuddy(row.edit);

    row.ok = new QPushButton(QStringLiteral("OK"), &dialog);
    row.ok->setObjectName(QStringLiteral("idOK"));
    row.ok->setAccessibleName(QStringLiteral("OK"));
    row.ok->setAccessibleDescription(okDescription);
    row.ok->setDefault(true);
    row.cancel = new QPushButton(QStringLiteral("CANCEL"), &dialog);
    row.cancel->setObjectName(QStringLiteral("idCANCEL"));
    row.cancel->setAccessibleName(QStringLiteral("CANCEL"));
    row.cancel->setAccessibleDescription(QStringLiteral("Close without change"));

    auto* layout = new QHBoxLayout(&dialog);
    layout->setContentsMargins(6, 3, 6, 3);
    layout->setSpacing(6);
    layout->addWidget(row.label);
    layout->addWidget(row.edit, 1);
    layout->addWidget(row.ok);
    layout->addWidget(row.cancel);
    QObject::connect(row.cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    return row;
}

void PlaceWindowAt(QWidget& window, QPoint globalPos) {
    QScreen* screen = QGuiApplication::screenAt(globalPos);
    if (!screen) screen = window.screen();
    QPoint pos = globalPos;
    if (screen) {
        const QRect area = screen->availableGeometry();
        // The frame is not known before the first show; allow for a title bar.
        const QSize size = window.frameGeometry().size().expandedTo(window.size() + QSize(8, 32));
        pos.setX(std::clamp(pos.x(), area.left(), std::max(area.left(), area.right() - size.width() + 1)));
        pos.setY(std::clamp(pos.y(), area.top(), std::max(area.top(), area.bottom() - size.height() + 1)));
    }
    window.move(pos);
}

}  // namespace kivelo::app
