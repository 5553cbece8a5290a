#include "app/panels/PanelStyle.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QPalette>
#include <QStringDecoder>
#include <QToolButton>

#include "display/qt/FrameComposer.h"

namespace kivelo::app {
namespace {

// Buttons with a clear pressed state: the windows shown, the chosen style, mode or speed must read at a glance.
constexpr const char* kButtonSheet = R"(
QPushButton, QToolButton {
    border: 1px solid #8c877f; border-radius: 3px; padding: 0px 3px; color: #1e1e1e;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fdfcfb, stop:1 #e3e0da);
}
QPushButton:hover, QToolButton:hover { border-color: #4f78b0; }
QPushButton:pressed, QToolButton:pressed { background: #c4d4ec; }
QPushButton:checked, QToolButton:checked {
    border-color: #3d64a0;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #a6bfe3, stop:1 #cddbf0);
}
QPushButton:focus, QToolButton:focus { border: 1px solid #1a4fb8; }
QPushButton:disabled, QToolButton:disabled { color: #a29d95; background: #e9e6e1; border-color: #c0bbb3; }
)";

}  // namespace

QFont PanelFont() {
    QFont f = QApplication::font();
    f.setPixelSize(11);
    return f;
}

QFont CaptionFont() {
    QFont f = QApplication::font();
    f.setPixelSize(9);
    f.setWeight(QFont::DemiBold);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 0.4);
    return f;
}

QFont FixedPanelFont() {
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPixelSize(11);
    return f;
}

void SetUpPanel(QWidget* panel) {
    panel->setFont(PanelFont());
    QPalette p = panel->palette();
    p.setColor(QPalette::Window, kPanelColour);
    panel->setPalette(p);
    panel->setAutoFillBackground(true);
    panel->setStyleSheet(QString::fromLatin1(kButtonSheet));
}

QString IdName(int id) { return QStringLiteral("id%1").arg(id); }

QLabel* MakeCaption(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setFont(CaptionFont());
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, QColor(70, 70, 78));
    label->setPalette(p);
    label->setAccessibleName(text.trimmed());
    return label;
}

QLabel* MakeTitle(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    QFont f = PanelFont();
    f.setPixelSize(12);
    f.setBold(true);
    label->setFont(f);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setAccessibleName(text);
    return label;
}

QToolButton* MakeIconButton(QWidget* parent, int id, IconId icon, const QString& what, int iconSize) {
    auto* button = new QToolButton(parent);
    button->setObjectName(IdName(id));
    button->setIcon(KiveloIcon(icon));
    button->setIconSize(QSize(iconSize, iconSize));
    button->setCheckable(true);
    button->setAutoRaise(false);
    button->setToolTip(what);
    button->setAccessibleName(what);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QString FromFileText(std::string_view text) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString decoded = utf8.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    if (!utf8.hasError()) return decoded;
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace kivelo::app
