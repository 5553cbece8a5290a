#include "app/panels/CWrapButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace kivelo::app {

CWrapButton::CWrapButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

QString CWrapButton::ShownText() const { return text().simplified().replace(QLatin1Char(' '), QLatin1Char('\n')); }

QSize CWrapButton::sizeHint() const {
    // The text and a small margin: the styles' minimum push button width is for one-line captions.
    const QSize text = fontMetrics().size(Qt::TextShowMnemonic, ShownText());
    return {text.width() + 14, text.height() + 8};
}

void CWrapButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text = ShownText();
    painter.drawControl(QStyle::CE_PushButton, option);
}

}  // namespace kivelo::app
