#include "app/dialogs/CAboutBox.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui/CIcons.h"

namespace kivelo::app {

CAboutBox::CAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Version (Waveform Viewer for QV series)"));
    setAccessibleName(windowTitle());
    setModal(true);
    const QIcon icon = ProgramIcon();
    setWindowIcon(icon);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("programIcon"));
    picture->setAccessibleName(tr("Program icon"));
    // Drawn for the screen's pixel ratio, so it is sharp when scaled.
    const qreal dpr = devicePixelRatioF();
    QPixmap pm = icon.pixmap(QSize(48, 48), dpr);
    picture->setPixmap(pm);
    picture->setFixedSize(48, 48);
    picture->setAlignment(Qt::AlignCenter);

    auto* text = new QLabel(QStringLiteral("Waveform Viewer  Version  1.10"), this);
    text->setObjectName(QStringLiteral("versionText"));
    text->setTextFormat(Qt::PlainText);  // keeps the double blanks
    text->setAccessibleName(text->text());

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("idOK"));
    ok->setAccessibleName(tr("OK"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->setSpacing(18);
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addWidget(text, 1, Qt::AlignVCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 12);
    layout->setSpacing(16);
    layout->addLayout(top);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CAboutBox::Show(QWidget* parent) {
    CAboutBox box(parent);
    box.exec();
}

}  // namespace kivelo::app
