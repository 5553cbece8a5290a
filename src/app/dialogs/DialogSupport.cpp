#include "app/dialogs/DialogSupport.h"

#include <QGuiApplication>
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
