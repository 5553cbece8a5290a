#include "WidgetChecks.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QWidget>

namespace kivelo::app::test {

namespace {

bool IsControl(const QWidget* w) {
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QLabel*>(w) || qobject_cast<const QGroupBox*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QAbstractSlider*>(w);
}

QString Describe(const QWidget* w) {
    return QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') + w->objectName();
}

}  // namespace

QStringList ControlsWithoutAccessibleName(const QWidget& root) {
    QStringList missing;
    for (QWidget* w : root.findChildren<QWidget*>()) {
        if (!IsControl(w)) continue;
        // Internal parts of compound widgets (the line edit of a spin box) are named by their owner.
        if (qobject_cast<QAbstractSpinBox*>(w->parentWidget()) || qobject_cast<QComboBox*>(w->parentWidget())) continue;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
        const QString name = iface ? iface->text(QAccessible::Name).trimmed() : QString();
        if (name.isEmpty()) missing << Describe(w);
    }
    return missing;
}

QStringList ClippedControls(const QWidget& root) {
    QStringList clipped;
    for (QWidget* w : root.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&root)) continue;
        if (!qobject_cast<QLabel*>(w) && !qobject_cast<QAbstractButton*>(w)) continue;
        const QSize need = w->minimumSizeHint();
        if (w->width() < need.width() || w->height() < need.height())
            clipped << QStringLiteral("%1 %2x%3 < %4x%5")
                           .arg(Describe(w))
                           .arg(w->width())
                           .arg(w->height())
                           .arg(need.width())
                           .arg(need.height());
    }
    return clipped;
}

QString SaveGrabIfAsked(QWidget& widget, const QString& name) {
    const QString dir = qEnvironmentVariable("KIVELO_UI_PNG_DIR");
    if (dir.isEmpty()) return {};
    QDir().mkpath(dir);
    const QPixmap pm = widget.grab();
    const qreal dpr = pm.devicePixelRatio();
    const QString suffix = dpr > 1.0 ? QStringLiteral("@%1x").arg(dpr) : QString();
    const QString path = QDir(dir).filePath(name + suffix + QStringLiteral(".png"));
    return pm.save(path) ? path : QString();
}

}  // namespace kivelo::app::test
